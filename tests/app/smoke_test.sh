#!/usr/bin/env bash
# Starts the real program with the demo store on a virtual X display and
# checks from outside that its window "Moorkeep" is mapped and that it is
# still running a few seconds later. Usage: smoke_test.sh PROGRAM
set -euo pipefail

if [ -z "${SMOKE_INSIDE_X:-}" ]; then
    export SMOKE_INSIDE_X=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

home=$(mktemp -d)
app_pid=
cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$home"
}
trap cleanup EXIT
fail() {
    echo "$1" >&2
    cat "$home/output.log" >&2
    exit 1
}
window_mapped() { xwininfo -root -tree | grep -q '"Moorkeep"'; }

HOME=$home XDG_DATA_HOME=$home/.local/share MOORKEEP_DEMO=1 QT_QPA_PLATFORM=xcb \
    "$1" >"$home/output.log" 2>&1 &
app_pid=$!

for _ in $(seq 1 50); do
    window_mapped && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
done
window_mapped || fail "no window titled Moorkeep appeared"

# The window must stay up: a crash after the first load would show here.
sleep 3
kill -0 "$app_pid" 2>/dev/null || fail "the program ended by itself"
window_mapped || fail "the Moorkeep window went away"
echo "smoke test passed: Moorkeep window mapped, process alive"
