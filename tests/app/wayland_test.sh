#!/usr/bin/env bash
# Starts the real program as a Wayland client of a weston compositor (its X11
# backend on a virtual X display, which gives weston the seat a clipboard
# needs) and checks from outside: the program's own protocol log shows its
# window "Moorkeep" mapped with a buffer; a second launch hands over and ends
# at once, making no window; and the connection command copied by pressing
# the copy button (through AT-SPI) is read back with wl-paste.
# Usage: wayland_test.sh PROGRAM
set -euo pipefail

# The bus, X and weston keep their sockets in the runtime folder, so the
# test's own home is made before them.
if [ -z "${WAYLAND_TEST_HOME:-}" ]; then
    # shellcheck source=../support/test_home.sh
    source "$(dirname "$0")/../support/test_home.sh"
    export WAYLAND_TEST_HOME=$test_home
    exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
home=$WAYLAND_TEST_HOME
# shellcheck source=started_programs.sh
source "$(dirname "$0")/started_programs.sh"
fail() {
    echo "$1" >&2
    tail -n 40 "$home/first.log" "$home/weston.log" >&2 || true
    exit 1
}

mkdir -m 700 "$home/.ssh"
printf 'Host web\n    HostName web.example.org\n' >"$home/.ssh/config"

weston --backend=x11-backend.so --socket=moorkeep-test --idle-time=0 --width=1280 --height=800 \
    >"$home/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
    [ -S "$XDG_RUNTIME_DIR/moorkeep-test" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/moorkeep-test" ] || fail "weston did not start"

export WAYLAND_DISPLAY=moorkeep-test QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# In the sanitizer build: what libwayland-client leaves at exit is its own.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/../sanitizers" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
unset DISPLAY
WAYLAND_DEBUG=client "$1" >"$home/first.log" 2>&1 &
pids+=($!)
first=$!

mapped() {
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Moorkeep")' "$home/first.log" &&
        grep -q 'xdg_surface@[0-9]*\.ack_configure' "$home/first.log" &&
        grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$home/first.log"
}
for _ in $(seq 1 100); do
    mapped && break
    kill -0 "$first" 2>/dev/null || fail "the program ended by itself"
    sleep 0.1
done
mapped || fail "no window titled Moorkeep was mapped"

WAYLAND_DEBUG=client timeout 10 "$1" >"$home/second.log" 2>&1 ||
    fail "the second launch did not end with status 0"
kill -0 "$first" 2>/dev/null || fail "the first program ended after the second launch"
! grep -q 'get_toplevel' "$home/second.log" || fail "the second launch made a window of its own"

/usr/bin/python3 "$(dirname "$0")/accessible_tree.py" Moorkeep "Copy connection command" >/dev/null
copied=
for _ in $(seq 1 30); do
    copied=$(timeout 5 wl-paste --no-newline 2>/dev/null || true)
    [ "$copied" = "ssh web" ] && break
    sleep 0.2
done
[ "$copied" = "ssh web" ] || fail "wl-paste read \"$copied\", not the copied command \"ssh web\""
echo "wayland test passed: window mapped, second launch handed over, copied command read back"
