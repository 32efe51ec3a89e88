#!/usr/bin/env bash
# Drives the real program on a real home from outside with key presses alone,
# as a person would, under a window manager on a virtual X display: a host
# found with the search field is deleted (Return in the alert keeps it, Alt+D
# deletes it), Ctrl+Z puts the file back byte for byte although the search
# field had typing of its own and selects the host again, and Ctrl+Shift+Z
# deletes it again; Ctrl+Z after new typing in the field takes back the typing.
# Usage: keyboard_test.sh PROGRAM
set -euo pipefail

if [ -z "${KEYBOARD_INSIDE_X:-}" ]; then
    export KEYBOARD_INSIDE_X=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

# shellcheck source=../support/test_home.sh
source "$(dirname "$0")/../support/test_home.sh"
home=$test_home
# shellcheck source=started_programs.sh
source "$(dirname "$0")/started_programs.sh"
fail() {
    echo "$1" >&2
    cat "$home/output.log" >&2
    exit 1
}
# Runs the command until it succeeds, for 30 seconds at most: a loaded
# machine starts the sanitizer build slowly.
within() {
    local end=$((SECONDS + 30))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}
active() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ]; }
press() { xdotool key --delay 60 "$@"; }
config=$home/.ssh/config
holds() { cmp -s "$1" "$config"; }

mkdir -m 700 "$home/.ssh"
printf 'Host alpha\n    HostName alpha.example.org\n\nHost beta\n    HostName beta.example.org\n    User ops\n\nHost gamma\n    HostName gamma.example.org\n' >"$config"
cp "$config" "$home/before"
sed '/^Host beta$/,/^$/d' "$home/before" >"$home/after"

# Openbox names itself on the root window before it manages windows, and a
# window mapped in between never gets the focus: wait for the command it
# runs once it is running.
openbox --startup "touch $home/wm-ready" >"$home/wm.log" 2>&1 &
pids+=($!)
within test -e "$home/wm-ready" || fail "the window manager did not start"
QT_QPA_PLATFORM=xcb "$1" >"$home/output.log" 2>&1 &
pids+=($!)
within xdotool search --onlyvisible --name '^Moorkeep$' >/dev/null ||
    fail "no window titled Moorkeep appeared"
within active Moorkeep || fail "the Moorkeep window did not get the focus"

# Delete asks about the selected host once the window lists it: at first,
# the first host.
asks() {
    press Delete
    sleep 0.2
    active "Delete \"$1\"?"
}
within asks alpha || fail "Delete did not ask about the first host"
press Escape
within active Moorkeep || fail "Escape did not close the alert"

press ctrl+f
xdotool type --delay 60 beta
press Escape Delete
within active 'Delete "beta"?' || fail "Delete in the emptied search field did not ask about beta"
press Return
within active Moorkeep || fail "Return did not close the alert"
holds "$home/before" || fail "Return, on Cancel, changed the file"
press Delete
within active 'Delete "beta"?' || fail "Delete did not ask again"
press alt+d
within holds "$home/after" || fail "Alt+D did not delete beta's block"
within active Moorkeep || fail "the window did not get the focus back"
press ctrl+z
within holds "$home/before" || fail "Ctrl+Z did not put the file back as it was"
# The host is back and selected again.
within asks beta || fail "beta was not selected again after Ctrl+Z"
press Escape
within active Moorkeep || fail "Escape did not close the alert"
press ctrl+shift+z
within holds "$home/after" || fail "Ctrl+Shift+Z did not delete beta again"

# Typing since then is the search field's to take back: emptied by Ctrl+Z,
# the field leaves Delete to the window, which asks about the host found.
xdotool type --delay 60 gam
press Down ctrl+z Delete
within active 'Delete "gamma"?' || fail "Ctrl+Z in the search field did not take back its typing"
holds "$home/after" || fail "Ctrl+Z in the search field undid the window's change"
echo "keyboard test passed: delete, undo and redo by keys alone"
