#!/usr/bin/env bash
# Drives the bash completion of moorkeepctl as bash would on TAB, with the
# built program first on PATH, and compares the offered words.
# Usage: completion_test.sh MOORKEEPCTL COMPLETION_SCRIPT
set -uo pipefail
# shellcheck source=../support/test_home.sh
source "$(dirname "$0")/../support/test_home.sh"
home=$test_home
trap 'rm -rf "$home"' EXIT
export PATH="$(dirname "$1"):$PATH"
unset MOORKEEP_DEMO
# shellcheck source=/dev/null
source "$2"
failures=0

# check LINE EXPECTED: completes the last word of LINE (an empty one when
# LINE ends in a space); EXPECTED is the sorted offers, space-separated.
check() {
    local line=$1 expected=$2
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _moorkeepctl
    local offered
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [ "$offered" != "$expected" ]; then
        echo "FAIL: '$line' offered [$offered], expected [$expected]" >&2
        failures=$((failures + 1))
    fi
}

demo_aliases="bastion dev-box github.com prod-web-1 prod-web-2 staging-db"
demo_keys="github github_ed25519 id_ed25519 personal prod-deploy prod_ed25519 staging-access staging_rsa"

check "moorkeepctl " "backup check defaults dump host key"
check "moorkeepctl h" "host"
check "moorkeepctl --" "--demo --help --home --meta --version"
check "moorkeepctl host " "add command connect edit forget known list move rm show"
check "moorkeepctl --demo host forget st" "staging-db"
check "moorkeepctl host forget web --" "--yes"
check "moorkeepctl --demo key p" "passwd pub"
check "moorkeepctl dump " ""
check "moorkeepctl check -" "--json"
check "moorkeepctl host add web --p" "--port --proxy-jump"
check "moorkeepctl defaults set --no" "--no-key --no-proxy-jump"
check "moorkeepctl --demo host show " "$demo_aliases"
check "moorkeepctl --demo host edit prod" "prod-web-1 prod-web-2"
check "moorkeepctl --demo host show bastion " ""
check "moorkeepctl --demo host edit bastion --key " "$demo_keys"
check "moorkeepctl --demo host edit bastion --user " ""
check "moorkeepctl --demo host edit bastion --user root " ""
check "moorkeepctl --demo key rm st" "staging-access staging_rsa"
check "moorkeepctl key gen work --type " "ecdsa ed25519 rsa"
check "moorkeepctl --demo host connect st" "staging-db"
check "moorkeepctl --demo key install prod" "prod-deploy prod_ed25519"
check "moorkeepctl --demo key install personal b" "bastion"
check "moorkeepctl --demo key install personal bastion " ""

# A home of its own, named by --home: its hosts and keys, display names with
# spaces quoted as bash needs them.
mkdir -p "$home/other/.ssh"
printf 'Host alpha\n  HostName a.example.com\n\nHost beta\n  HostName b.example.com\n' \
    >"$home/other/.ssh/config"
moorkeepctl --home "$home/other" key gen work --display-name "Work laptop" || exit 1
check "moorkeepctl --home $home/other host rm " "alpha beta"
check "moorkeepctl --home $home/other key show W" "Work\\ laptop"
check "moorkeepctl --home $home/other key show w" "work"
check "moorkeepctl --home ~/other host show a" "alpha"
# A change keeps a backup of the file it replaces; its id is offered.
moorkeepctl --home "$home/other" host edit alpha --user deploy || exit 1
backup=$(moorkeepctl backup list --json | grep -o '"id": *"[^"]*"' | sed 's/.*"\([^"]*\)"$/\1/')
[ -n "$backup" ] || { echo "no backup was listed" >&2; exit 1; }
check "moorkeepctl backup restore " "$backup"
check "moorkeepctl backup restore $backup " ""

[ "$failures" -eq 0 ] || exit 1
echo "completion checked"
