#!/usr/bin/env bash
# How smoothly the screen saver drifts and how much processor time it takes: quelm -root on
# a 1920 x 1080 Xvfb screen, with the real TripleA 0.8.2.1 revised map and game and a
# converter text of 12 frames (so that the turn animation runs with the default delays of
# 2 and 10 seconds). After a settling time the script reads the saver's processor time from
# /proc/<pid>/stat before and after the measured time, and prints the saver's own step
# counts (QUELM_SAVER_STEP_RATE: steps, paints and the longest gap every 5 seconds).
#
#   bench/saver_smoothness.sh [build folder] [settling seconds] [measured seconds] [frames]
#
# Defaults: build, 35 (the animation has then prepared every frame it swings over once), 20,
# 12 (0: no converter text, only the game definition's one frame).
set -euo pipefail

build=${1:-build}
settle=${2:-35}
seconds=${3:-20}
frames=${4:-12}
here=$(cd "$(dirname "$0")/.." && pwd)
triplea=${QUELM_SHARED:-$here/../shared}/triplea/triplea_0_8_2_1
saver=$(cd "$build" && pwd)/quelm
[ -x "$saver" ] || { echo "no $saver: build first" >&2; exit 1; }
[ -d "$triplea/maps/revised" ] || { echo "no TripleA 0.8.2.1 in $triplea" >&2; exit 1; }

. "$(dirname "$0")/xvfbsession.sh"

mkdir -p "$work/config/Ostrevan" "$work/system/Ostrevan" "$work/installation" "$work/runtime" \
    "$work/data/Ostrevan/Quelm"
chmod 700 "$work/runtime"
cat > "$work/config/Ostrevan/Quelm.conf" <<EOF
[General]
game_config=$triplea/games/revised.xml
maps_directory=$triplea/maps/revised
images_directory=$triplea/images
EOF
printf '[General]\nInstallationDirectory=%s\n' "$work/installation" > "$work/system/Ostrevan/Quelm.conf"

# The converter text, when frames are asked for: every territory of the game's start with
# one infantry of its owner; from frame to frame the player on move takes over every twelfth
# territory more.
grep -o 'territoryOwner territory="[^"]*" owner="[^"]*"' "$triplea/games/revised.xml" |
    sed 's/territoryOwner territory="\([^"]*\)" owner="\([^"]*\)"/\1|\2/' > "$work/owners"
[ "$frames" -gt 0 ] && awk -F'|' -v frames="$frames" '
    { territory[NR] = $1; owner[NR] = $2 }
    END {
        split("Russians Germans British Japanese Americans", players, " ")
        print "TrevoConvert"
        for (frame = 1; frame <= frames; ++frame) {
            player = players[(frame - 1) % 5 + 1]
            print "Step:Round " frame " - " player " Combat Move"
            print "Step number:" frame
            print "Player:" player
            print "-"
            print "-"
            print "-"
            for (i = 1; i <= NR; ++i) {
                holder = (i % 12 < frame) ? player : owner[i]
                print territory[i]
                print "Owner:" holder
                print "infantry"
                print holder
                print "End Territory"
            }
            print "End Frame"
        }
    }' "$work/owners" > "$work/data/Ostrevan/Quelm/Trevo.txt"

startScreen

DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/system" XDG_DATA_HOME="$work/data" \
    XDG_RUNTIME_DIR="$work/runtime" QUELM_SAVER_STEP_RATE=1 \
    "$saver" -root 2> "$work/saver.log" &
saverPid=$!
pids+=("$saverPid")

processorTicks() { awk '{ print $14 + $15 }' "/proc/$saverPid/stat"; }
sleep "$settle"
lines=$(grep -c steps "$work/saver.log" || true)
before=$(processorTicks)
sleep "$seconds"
after=$(processorTicks)
hertz=$(getconf CLK_TCK)

echo "Settling ($settle s):"
grep steps "$work/saver.log" | head -n "$lines" | sed 's/^/  /'
echo "Measured ($seconds s):"
grep steps "$work/saver.log" | tail -n +"$((lines + 1))" | sed 's/^/  /'
awk -v t=$((after - before)) -v hz="$hertz" -v s="$seconds" \
    'BEGIN { printf "Processor time: %.2f s in %d s = %.1f %% of one core\n", t / hz, s, 100 * t / hz / s }'
