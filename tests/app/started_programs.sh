# Sourced by the shell tests that start programs in the background, after
# $home is set: every pid added to $pids is ended when the test exits, and
# $home removed.
pids=()
end_started_programs() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$home"
}
trap end_started_programs EXIT

# Without a session bus, libdbus forks the program to start one under X; in
# the sanitizer build that child can hang before it runs anything, holding up
# the program and outliving the test. A test without its own bus names one
# that is not there instead.
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-unix:path=$home/no-session-bus}
