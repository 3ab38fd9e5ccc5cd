# Sourced by the benchmark scripts that run a program on a screen of its own: makes the
# scratch folder $work, removed at exit together with every process listed in pids, and
# starts an Xvfb screen of 1920 x 1080 on the first free display, left in $display.
# -noreset keeps the server up when its last client leaves: it would otherwise refuse the
# next program for a moment.

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

startScreen() {
    display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp -noreset > "$work/xvfb.log" 2>&1 &
    pids+=($!)
    sleep 1
}
