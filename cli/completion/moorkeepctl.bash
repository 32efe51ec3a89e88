# bash completion for moorkeepctl.
#
# Commands and options are read from the program's own --help texts, so they
# always match the installed version. Host aliases, key names and backup ids
# come from "host list", "key list" and "backup list" on the same home,
# metadata file or demo data that the command line being completed names.

# The program with the global options of the command line being completed.
_moorkeepctl_program() {
    local i word value
    _moorkeepctl_run=("${COMP_WORDS[0]}")
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --home | --meta)
                value=${COMP_WORDS[i + 1]}
                # The shell has not expanded a leading ~ in the typed words.
                [[ $value == "~" || $value == "~/"* ]] && value=$HOME${value:1}
                ((i + 1 < COMP_CWORD)) && _moorkeepctl_run+=("$word" "$value")
                ((i++))
                ;;
            --home=* | --meta=* | --demo) _moorkeepctl_run+=("$word") ;;
            -*) ;;
            *) return ;;
        esac
    done
}

# The names listed under "Commands:" in a help text.
_moorkeepctl_commands() {
    "${_moorkeepctl_run[@]}" "$@" --help 2>/dev/null |
        awk '/^Commands:/ { listing = 1; next } /^$/ { listing = 0 } listing && /^  / { print $1 }'
}

# Every long option a help text names.
_moorkeepctl_options() {
    "${_moorkeepctl_run[@]}" "$@" --help 2>/dev/null | grep -o -- '--[a-z][a-z0-9-]*' | sort -u
}

# One column of a listing, cut where the header places it (values may hold
# single spaces), trailing blanks removed. The last column runs to the end
# of the line.
_moorkeepctl_column() {
    local column=$1 next=$2
    shift 2
    "${_moorkeepctl_run[@]}" "$@" 2>/dev/null | awk -v column="$column" -v next_="$next" '
        NR == 1 { start = index($0, column); end = next_ == "" ? 0 : index($0, next_); next }
        start > 0 {
            value = end > 0 ? substr($0, start, end - start) : substr($0, start)
            sub(/[ \t]+$/, "", value)
            if (value != "") print value
        }'
}

_moorkeepctl_hosts() {
    _moorkeepctl_column ALIAS HOSTNAME host list
}

# Display names and file names of the keys: both are accepted.
_moorkeepctl_keys() {
    _moorkeepctl_column NAME TYPE key list
    _moorkeepctl_column PATH FINGERPRINT key list | sed 's|.*/||'
}

# Completions for the word being typed, one per line; those holding spaces
# or other special characters are quoted as bash would need them.
_moorkeepctl_reply() {
    local current=$1 candidate
    COMPREPLY=()
    while IFS= read -r candidate; do
        [[ $candidate == "$current"* ]] || continue
        if [[ $candidate =~ [^A-Za-z0-9_.@%+=:,/-] ]]; then
            COMPREPLY+=("$(printf '%q' "$candidate")")
        else
            COMPREPLY+=("$candidate")
        fi
    done
}

# The options of a help text that take a value ("  --port N   ...").
_moorkeepctl_valued_options() {
    "${_moorkeepctl_run[@]}" "$@" --help 2>/dev/null | grep -oE -- '^  --[a-z0-9-]+ [A-Z]' |
        awk '{ print $1 }'
}

_moorkeepctl() {
    local current=${COMP_WORDS[COMP_CWORD]}
    local previous=${COMP_WORDS[COMP_CWORD - 1]}
    local -a _moorkeepctl_run words=()
    local i word valued
    _moorkeepctl_program

    # The command words typed so far (after the global options), and how many
    # arguments follow them; option values are neither.
    local arguments=0
    valued=$(_moorkeepctl_valued_options)
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* ]]; then
            grep -qx -- "$word" <<<"$valued" && ((i++))
        elif ((${#words[@]} == 0)) || { ((${#words[@]} == 1)) &&
            _moorkeepctl_commands "${words[0]}" | grep -qx -- "$word"; }; then
            words+=("$word")
            valued=$(_moorkeepctl_valued_options "${words[@]}")
        else
            ((arguments++))
        fi
    done

    case $previous in
        --home)
            COMPREPLY=($(compgen -d -- "$current"))
            return
            ;;
        --meta)
            COMPREPLY=($(compgen -f -- "$current"))
            return
            ;;
        --key)
            _moorkeepctl_reply "$current" < <(_moorkeepctl_keys)
            return
            ;;
        --type)
            _moorkeepctl_reply "$current" < <(printf '%s\n' ed25519 rsa ecdsa)
            return
            ;;
    esac
    # Any other value is the user's own.
    grep -qx -- "$previous" <<<"$valued" && return

    if [[ $current == -* ]]; then
        _moorkeepctl_reply "$current" < <(_moorkeepctl_options "${words[@]}")
        return
    fi

    if ((${#words[@]} < 2)); then
        _moorkeepctl_reply "$current" < <(_moorkeepctl_commands "${words[@]}")
        return
    fi

    # The host after the key of "key install".
    if [[ "${words[*]}" == "key install" ]] && ((arguments == 1)); then
        _moorkeepctl_reply "$current" < <(_moorkeepctl_hosts)
        return
    fi
    # The first argument of a command that takes a host, a key or a backup.
    ((arguments == 0)) || return
    case "${words[*]}" in
        "host show" | "host command" | "host connect" | "host edit" | "host move" | "host rm" | \
            "host known" | "host forget")
            _moorkeepctl_reply "$current" < <(_moorkeepctl_hosts)
            ;;
        "key show" | "key pub" | "key rename" | "key rm" | "key passwd" | "key install" | \
            "key recreate-pub" | "key agent-add" | "key agent-remove")
            _moorkeepctl_reply "$current" < <(_moorkeepctl_keys)
            ;;
        "backup restore")
            _moorkeepctl_reply "$current" < <(_moorkeepctl_column ID FILE backup list)
            ;;
    esac
}

complete -F _moorkeepctl moorkeepctl
