#!/usr/bin/env bash
# Video captures: the .mkv is lossless (its frames decode to the PNGs' pixels) with FLAC sound,
# the .mp4 is H.264 with AAC; both as long as their stretch, both scaled as asked.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
probe() { ffprobe -v error -count_packets -show_entries "$2" -of csv=p=0 "$1"; }
near() { awk -v a="$1" -v b="$2" -v d="$3" 'BEGIN { exit !(a - b <= d && b - a <= d) }'; }

"$capture" --from 5 --to 6 --scale 1 -o "$TMP/logo.mkv" --png "$TMP/png" || fail "mkv capture: exit $?"
[[ $(probe "$TMP/logo.mkv" stream=codec_type,codec_name,width,height | tr '\n' ' ') == \
   "h264,video,320,240 flac,audio " ]] || fail "mkv streams: $(probe "$TMP/logo.mkv" stream=codec_name)"
[[ $(probe "$TMP/logo.mkv" stream=nb_read_packets | head -n1) -eq 461 ]] || fail "mkv frame count"
near "$(probe "$TMP/logo.mkv" format=duration)" 7.68 0.0167 || fail "mkv lasts $(probe "$TMP/logo.mkv" format=duration) s"
ffmpeg -v error -i "$TMP/logo.mkv" -f rawvideo -pix_fmt rgb24 "$TMP/video.rgb"
ffmpeg -v error -pattern_type glob -i "$TMP/png/*.png" -f rawvideo -pix_fmt rgb24 "$TMP/png.rgb"
cmp -s "$TMP/video.rgb" "$TMP/png.rgb" || fail "the mkv's frames are not the PNGs' pixels"

"$capture" --to 0 --scale 2 -o "$TMP/fade.mp4" || fail "mp4 capture: exit $?"
[[ $(probe "$TMP/fade.mp4" stream=codec_type,codec_name,width,height | tr '\n' ' ') == \
   "h264,video,640,480 aac,audio " ]] || fail "mp4 streams: $(probe "$TMP/fade.mp4" stream=codec_name)"
near "$(probe "$TMP/fade.mp4" format=duration)" 3.84 0.0167 || fail "mp4 lasts $(probe "$TMP/fade.mp4" format=duration) s"
[[ -z $(find "$TMP" -name 'sideways-*.part') ]] || fail "temporaries left: $(find "$TMP" -name 'sideways-*.part')"
echo "ok: lossless mkv matches the PNGs; mp4 640 x 480 with AAC"
