#!/usr/bin/env bash
# How long the viewer takes from its start until its main window is on the screen, with a
# given game: quelm_view on a 1920 x 1080 Xvfb screen, the settings naming the game, map
# and images, the converter text in its place. Prints the seconds of each run.
#
#   bench/viewer_startup.sh BUILD GAME_XML HISTORY_TEXT MAP_FOLDER IMAGES_FOLDER [RUNS]
set -euo pipefail

[ $# -ge 5 ] || { sed -n '2,6p' "$0" >&2; exit 2; }
viewer=$(cd "$1" && pwd)/quelm_view
game=$(realpath "$2") history=$(realpath "$3") map=$(realpath "$4") images=$(realpath "$5")
runs=${6:-3}
[ -x "$viewer" ] || { echo "no $viewer: build first" >&2; exit 1; }

. "$(dirname "$0")/xvfbsession.sh"

mkdir -p "$work/config/Ostrevan" "$work/data/Ostrevan/Quelm" "$work/runtime"
chmod 700 "$work/runtime"
cat > "$work/config/Ostrevan/Quelm.conf" <<CONF
[General]
game_config=$game
maps_directory=$map
images_directory=$images
CONF
cp "$history" "$work/data/Ostrevan/Quelm/Trevo.txt"

startScreen

# The main window is the one whose title asks for a right click; shown once it is viewable.
windowShown() {
    DISPLAY=":$display" xwininfo -name 'Quelm Renderer - (Right Click Map for Options)' 2>/dev/null |
        grep -q 'Map State: IsViewable'
}

for run in $(seq "$runs"); do
    start=$(date +%s.%N)
    DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
        XDG_RUNTIME_DIR="$work/runtime" "$viewer" > "$work/viewer.log" 2>&1 &
    viewerPid=$!
    until windowShown; do
        kill -0 "$viewerPid" 2>/dev/null || { echo "the viewer ended before its window showed" >&2; cat "$work/viewer.log" >&2; exit 1; }
        sleep 0.05
    done
    shown=$(date +%s.%N)
    kill "$viewerPid"
    wait "$viewerPid" 2>/dev/null || true
    printf 'run %s: window after %.2f s\n' "$run" "$(echo "$shown - $start" | bc)"
done
