#!/usr/bin/env bash
# Starts the real program on a virtual X display and checks from outside that
# its window reports the class the desktop entry's StartupWMClass names (so
# docks match the window to the entry) and carries the application icon.
# Usage: window_identity_test.sh PROGRAM DESKTOP_FILE
set -euo pipefail

if [ -z "${IDENTITY_INSIDE_X:-}" ]; then
    export IDENTITY_INSIDE_X=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

program=$1 entry=$2
# shellcheck source=../support/test_home.sh
source "$(dirname "$0")/../support/test_home.sh"
home=$test_home
# shellcheck source=../app/started_programs.sh
source "$(dirname "$0")/../app/started_programs.sh"
fail() { echo "$1" >&2; exit 1; }

MOORKEEP_DEMO=1 QT_QPA_PLATFORM=xcb "$program" &
app_pid=$!
pids+=("$app_pid")
window=
for _ in $(seq 1 50); do
    # The titled window with a class; Qt's client leader has the title too.
    window=$(xwininfo -root -tree | awk '/"Moorkeep": \("/ { print $1; exit }')
    [ -n "$window" ] && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
done
[ -n "$window" ] || fail "no window titled Moorkeep appeared"

expected=$(sed -n 's/^StartupWMClass=//p' "$entry")
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
[ -n "$expected" ] && [ "$class" = "$expected" ] ||
    fail "window class \"$class\", desktop entry StartupWMClass \"$expected\""
icons=$(xprop -id "$window" _NET_WM_ICON | grep -c 'Icon (' || true)
[ "$icons" -ge 3 ] || fail "the window carries $icons icon sizes"
echo "window class $class, $icons icon sizes"
