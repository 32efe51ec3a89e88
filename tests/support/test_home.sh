# Sourced by the shell tests before they start any program: HOME and every
# XDG base folder point into a fresh temporary directory, $test_home, so that
# nothing the programs do reaches the real ~/.ssh, metadata, backups or
# settings. The caller's exit trap removes $test_home.
test_home=$(mktemp -d)
mkdir -m 700 "$test_home/runtime"
export HOME=$test_home XDG_CONFIG_HOME=$test_home/.config XDG_DATA_HOME=$test_home/.local/share \
    XDG_STATE_HOME=$test_home/.local/state XDG_CACHE_HOME=$test_home/.cache \
    XDG_RUNTIME_DIR=$test_home/runtime
