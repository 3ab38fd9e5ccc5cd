#!/usr/bin/env bash
# Times quelm_render writing a 285-step game as a 1280 x 720 MP4: the shared 2-round game
# (60 steps on world_war_ii_revised), converted with our converter and played five times
# over, of which the first 285 steps are drawn with change marks.
#   bench/render_video.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
shared=${QUELM_SHARED:-$(dirname "$(realpath "$0")")/../../shared}
map="$shared/triplea/downloadedMaps/world_war_ii_revised/map"
save="$shared/triplea/saves/ww2v2_hard_2rounds.tsvg"
jar=/usr/share/games/triplea/bin/triplea.jar
for needed in "$map" "$save" "$jar" "$build/converter/TextGameConverter.class"; do
    if [ ! -e "$needed" ]; then
        echo "skipped: $needed is missing"
        exit 0
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen

java -classpath "$build/converter:$jar" TextGameConverter "$save" "$work/2rounds.txt"
{
    cat "$work/2rounds.txt"
    for _ in 1 2 3 4; do tail -n +2 "$work/2rounds.txt"; done
} > "$work/game.txt"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
/usr/bin/time -f "%e s wall, %U s user, %S s system (with ffmpeg), %M KB peak" \
    "$build/quelm_render" --game "$map/games/ww2v2.xml" --map "$map" \
    --images /usr/share/games/triplea/assets --history "$work/game.txt" --frames 0-284 \
    --size 1280x720 --changes --quiet --video "$work/game.mp4"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
ls -l "$work/game.mp4" | awk '{print $5 " bytes"}'
