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
