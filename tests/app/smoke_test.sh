#!/usr/bin/env bash
# Starts the real program with the demo store on a virtual X display and
# checks from outside that its window "Moorkeep" is mapped and that it is
# still running a few seconds later. Usage: smoke_test.sh PROGRAM [SCREENSHOT.xwd]
set -euo pipefail

program=$1
screenshot=${2:-}

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

HOME=$home XDG_DATA_HOME=$home/.local/share MOORKEEP_DEMO=1 QT_QPA_PLATFORM=xcb \
    "$program" >"$home/output.log" 2>&1 &
app_pid=$!

mapped=
for _ in $(seq 1 50); do
    if xwininfo -root -tree | grep -q '"Moorkeep"'; then
        mapped=1
        break
    fi
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.2
done
if [ -z "$mapped" ]; then
    echo "no window titled Moorkeep appeared" >&2
    cat "$home/output.log" >&2
    exit 1
fi

# The window must stay up: a crash after the first load would show here.
sleep 3
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "the program ended by itself" >&2
    cat "$home/output.log" >&2
    exit 1
fi
if ! xwininfo -root -tree | grep -q '"Moorkeep"'; then
    echo "the Moorkeep window went away" >&2
    exit 1
fi

if [ -n "$screenshot" ]; then
    xwd -root -silent >"$screenshot"
fi
echo "smoke test passed: Moorkeep window mapped, process alive"
