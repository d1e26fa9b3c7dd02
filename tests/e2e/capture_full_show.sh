#!/usr/bin/env bash
# The whole show to .mkv: 31 orders of 3.84 s within one frame, with video and sound, and
# frames.csv listing every frame from 0 to the black end frame of order 31.
source "$(dirname "$0")/lib/common.bash"
"$BUILD_DIR/sideways-capture" --scale 1 -o "$TMP/show.mkv" --raw "$TMP/raw" --raw-every 600 || fail "exit $?"
counts=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$TMP/show.mkv")
read -r video audio <<<"$(echo $counts)"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$TMP/show.mkv")
[[ $video -eq 7143 && $audio -gt 0 ]] || fail "$video video frames, $audio audio packets"
awk -v d="$duration" 'BEGIN { exit !(d - 119.04 <= 1 / 60 && 119.04 - d <= 1 / 60) }' ||
  fail "the show lasts $duration s, not 31 x 3.84 s"
csv="$TMP/raw/frames.csv"
[[ $(wc -l <"$csv") -eq 7145 ]] || fail "$(wc -l <"$csv") lines in frames.csv"
[[ $(tail -n1 "$csv") == "7143,31,0,119050,0" ]] || fail "last frame: $(tail -n1 "$csv")"
[[ $(sed -n '232,233p' "$csv" | tr '\n' ' ') == "230,0,63,3833,0 231,1,0,3000,0 " ]] ||
  fail "order 1 does not start at frame 231 with the frozen clock: $(sed -n '232,233p' "$csv")"
echo "ok: $duration s, $video frames, $audio audio packets"
