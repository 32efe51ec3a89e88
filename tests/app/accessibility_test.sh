#!/usr/bin/env bash
# Starts the real program on a virtual X display with its own session bus and
# reads, through AT-SPI as a screen reader does, the host detail and then the
# key detail (reached by toggling the Keys tab button the same way): every
# value shown must be readable as text under its caption.
# Usage: accessibility_test.sh PROGRAM
set -euo pipefail

# The bus and the accessibility services it starts keep their sockets in the
# runtime folder, so the test's own home is made before them.
if [ -z "${A11Y_HOME:-}" ]; then
    # shellcheck source=../support/test_home.sh
    source "$(dirname "$0")/../support/test_home.sh"
    export A11Y_HOME=$test_home
    exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
home=$A11Y_HOME
# shellcheck source=started_programs.sh
source "$(dirname "$0")/started_programs.sh"

mkdir -m 700 "$home/.ssh"
printf 'Host web\n    HostName web.example.org\n    User corpuser\n    Port 2200\n' >"$home/.ssh/config"
/usr/bin/ssh-keygen -q -t ed25519 -N '' -C 'laptop key' -f "$home/.ssh/id_ed25519"
fingerprint=$(/usr/bin/ssh-keygen -l -f "$home/.ssh/id_ed25519.pub" | awk '{print $2}')

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$1" >"$home/output.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
/usr/bin/python3 "$(dirname "$0")/accessible_tree.py" Moorkeep Keys >"$home/tree.txt"

hosts=$(sed '/^== Keys$/q' "$home/tree.txt")
keys=$(sed -n '/^== Keys$/,$p' "$home/tree.txt")
missing=0
expect() { # WHERE LINE
    if ! grep -qxF -- "$2" <<<"$1"; then
        echo "not read by a screen reader: $2" >&2
        missing=1
    fi
}
expect "$hosts" "label | Alias | web"
expect "$hosts" "label | Host name | web.example.org"
expect "$hosts" "label | HOSTNAME | web.example.org"
expect "$hosts" "label | USER | corpuser"
expect "$hosts" "label | PORT | 2200"
expect "$hosts" "label | IDENTITY KEY | id_ed25519"
expect "$hosts" "label | Connection command | ssh web"
expect "$keys" "text | Public key | $(cat "$home/.ssh/id_ed25519.pub")"
expect "$keys" "text | Fingerprint | $fingerprint"
expect "$keys" "text | TYPE | ED25519 256"
if [ "$missing" -ne 0 ]; then
    cat "$home/tree.txt" >&2
    exit 1
fi
echo "accessibility test passed: every value of both details is read as text"
