#!/usr/bin/env bash
# Starts the real program with the demo store on a virtual X display and
# checks from outside that its window "Moorkeep" is mapped, that it is
# still running a few seconds later, and that a second launch ends at once
# leaving one window. Usage: smoke_test.sh PROGRAM
set -euo pipefail

if [ -z "${SMOKE_INSIDE_X:-}" ]; then
    export SMOKE_INSIDE_X=1
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
window_mapped() { xwininfo -root -tree | grep -q '"Moorkeep"'; }

export MOORKEEP_DEMO=1 QT_QPA_PLATFORM=xcb
"$1" >"$home/output.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")

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

# The ending signals are caught, so that a change they interrupt removes its
# key copy and askpass folder before the program ends as the signal would.
caught=$(awk '/^SigCgt:/ {print $2}' "/proc/$app_pid/status")
(( (16#$caught & 0x4003) == 0x4003 )) || fail "SIGHUP, SIGINT and SIGTERM are not all caught"

# A second launch hands over to the running program and ends at once,
# opening no window of its own.
windows() { xwininfo -root -tree | grep -c '"Moorkeep"' || true; }
before=$(windows)
timeout 10 "$1" >>"$home/output.log" 2>&1 || fail "the second launch did not end with status 0"
kill -0 "$app_pid" 2>/dev/null || fail "the first program ended after the second launch"
after=$(windows)
[ "$after" -eq "$before" ] || fail "windows titled Moorkeep: $before before the second launch, $after after"
echo "smoke test passed: one Moorkeep window, process alive, second launch handed over"
