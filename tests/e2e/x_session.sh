# Shared by the tests under Xvfb; sourced once $work and the array pids exist, pids being killed on exit.

fail() {
    echo "FAIL: $*"
    exit 1
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() {
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Starts Xvfb on a free display and points Qt at it, with a private runtime and temp directory that keep
# this test's instance lock apart from any other instance.
start_x() {
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=:$(head -n 1 "$work/display")
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
    mkdir -m 700 "$work/runtime" "$work/tmp"
}
