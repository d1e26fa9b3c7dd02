#!/usr/bin/env bash
# Two captures of the same stretch give the same bytes: raw buffers, frames.csv, PNGs and WAV.
# The stretch runs from the credits through the close to the black end frame, at 20 fps.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
for run in a b; do
  mkdir -p "$TMP/$run"
  "$capture" --from 29 --to 31 --fps 20 --raw "$TMP/$run/raw" --raw-every 7 --png "$TMP/$run/png" \
    --wav "$TMP/$run/music.wav" 2>"$TMP/$run.stderr" || fail "run $run: exit $?: $(cat "$TMP/$run.stderr")"
  [[ -s "$TMP/$run.stderr" ]] && fail "run $run wrote to a stderr that is no terminal: $(cat "$TMP/$run.stderr")"
done
diff -r "$TMP/a" "$TMP/b" >/dev/null || fail "two runs differ: $(diff -rq "$TMP/a" "$TMP/b" | head -3)"

csv="$TMP/a/raw/frames.csv"
[[ $(head -n1 "$csv") == "frame,order,row,millis,written" ]] || fail "frames.csv header: $(head -n1 "$csv")"
# Orders 29 and 30 at 20 fps: frames 2228 (111.40 s) to 2380, then the end frame 2381 (119.05 s).
[[ $(sed -n 2p "$csv") == "2228,29,0,111400,1" ]] || fail "first line: $(sed -n 2p "$csv")"
[[ $(tail -n1 "$csv") == "2381,31,0,119050,0" ]] || fail "last line: $(tail -n1 "$csv")"
[[ $(($(wc -l <"$csv") - 1)) -eq 154 ]] || fail "$(wc -l <"$csv") lines in frames.csv"
raws=$(find "$TMP/a/raw" -name '*.rgb565' | wc -l)
written=$(grep -c ',1$' "$csv")
[[ $raws -eq $written && $raws -eq 23 ]] || fail "$raws buffers written, frames.csv says $written"
[[ $(stat -c %s "$TMP/a/raw/002228.rgb565") -eq 153600 ]] || fail "a buffer is not 153,600 bytes"
[[ -f "$TMP/a/raw/002233.rgb565" && ! -f "$TMP/a/raw/002234.rgb565" ]] || fail "not every 7th frame"
[[ $(find "$TMP/a/png" -name '*.png' | wc -l) -eq 154 ]] || fail "not one PNG per frame"
identify -format '%w x %h\n' "$TMP/a/png/002381.png" | grep -qx '320 x 240' || fail "PNG size"
# The black end frame is black; the close's first frame shows the credits.
[[ $(convert "$TMP/a/png/002381.png" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:) == 0 ]] ||
  fail "the end frame is not black"
[[ $(convert "$TMP/a/png/002304.png" -format '%[fx:maxima]' info:) != 0 ]] || fail "the close is black at row 0"
# The WAV holds the music from frame 2228 to the end frame's start: 7.65 s, 16-bit stereo.
samples=$(( (2381 - 2228) * 2205 ))
[[ $(stat -c %s "$TMP/a/music.wav") -eq $((44 + samples * 4)) ]] || fail "WAV size $(stat -c %s "$TMP/a/music.wav")"
[[ $(soxi -s "$TMP/a/music.wav") -eq $samples ]] || fail "sox reads $(soxi -s "$TMP/a/music.wav") samples"
echo "ok: two captures byte-identical, $raws buffers, 154 PNGs, $samples samples"
