#!/usr/bin/env bash
# Times quelm_render drawing every frame of the demo world and of a 30-frame history on the
# real revised map, with one worker and with two.
#   bench/render_all.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
shared=${QUELM_SHARED:-$(dirname "$(realpath "$0")")/../../shared}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen

seconds() {  # wall seconds of one quelm_render run
    local start end
    start=$(date +%s.%N)
    "$build/quelm_render" --quiet "$@" --out "$work/out"
    end=$(date +%s.%N)
    rm -rf "$work/out"
    echo "$end - $start" | bc
}

demo="$build/demo"
for jobs in 1 2; do
    printf 'demo, 31 frames, 1450x970 png, --jobs %s: %s s\n' "$jobs" \
        "$(seconds --game "$demo/games/quelm_demo.xml" --history "$demo/data/Ostrevan/Quelm/Trevo.txt" \
            --map "$demo/maps/quelm_demo" --images "$demo/images" --jobs "$jobs")"
done

triplea="$shared/triplea/triplea_0_8_2_1"
if [ ! -d "$triplea" ]; then
    echo "revised: skipped, no TripleA files at $triplea"
    exit 0
fi
# A 30-frame history on the revised map: every territory in every frame, owners taking
# turns, two stacks each.
python3 - "$triplea/games/revised.xml" > "$work/revised.txt" <<'PY'
import re, sys
names = re.findall(r'<territory name="([^"]+)"', open(sys.argv[1]).read())
players = ["Germans", "Russians", "British", "Japanese", "Americans"]
print("TrevoConvert")
for frame in range(30):
    player = players[frame % 5]
    print(f"Caption:Round {frame // 5 + 1} - {player} Combat Move\n-\nPlayer:{player}\n-\n-\n-")
    for i, name in enumerate(names):
        owner = players[(i + frame // 3) % 5]
        print(f"{name}\nOwner:{owner}")
        for unit in ["infantry"] * (1 + (i + frame) % 4) + ["armour"] * ((i * frame) % 3):
            print(f"{unit}\n{owner}")
        print("End Territory")
    print("End Frame")
PY
for jobs in 1 2; do
    printf 'revised, 30 frames, 3500x2000 png, --jobs %s: %s s\n' "$jobs" \
        "$(seconds --game "$triplea/games/revised.xml" --history "$work/revised.txt" \
            --map "$triplea/maps/revised" --images "$triplea/images" --quantities --jobs "$jobs")"
    printf 'revised, 30 frames, 3500x2000 jpg, --jobs %s: %s s\n' "$jobs" \
        "$(seconds --game "$triplea/games/revised.xml" --history "$work/revised.txt" \
            --map "$triplea/maps/revised" --images "$triplea/images" --quantities --jobs "$jobs" --format jpg)"
done
