#!/usr/bin/env bash
# sideways.exe under Wine with SDL's disk audio driver covers the screen and shows the show: a
# screenshot some seconds in matches the Linux capture's frame at about that music position.
# Escape then ends it with exit code 0.
source "$(dirname "$0")/lib/wine.bash"
start_wine 1024x768
capture=$(linux_capture)

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TMP/audio.raw" "$WINE_RUN" "$BUILD_DIR/sideways.exe" 2>"$TMP/stderr" &
pid=$!
window=$(wait_window sideways 60 "$pid") || fail "no window named sideways: $(cat "$TMP/stderr")"
shown=$(date +%s%N)
sleep 7
import -window root "$TMP/shot.png"
seconds_in=$((($(date +%s%N) - shown) / 1000000))
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ $geometry == 1024x768 ]] || fail "the window is $geometry, not the whole 1024x768 screen"

timeout 10 xdotool windowfocus --sync "$window" key Escape || fail "cannot focus the window to press Escape"
wait_exit "$pid" 20
[[ $EXIT_CODE -eq 0 ]] || fail "exit code $EXIT_CODE after Escape: $(cat "$TMP/stderr")"

# Orders 0..3 at 20 frames a second cover the first 15.36 s. The screenshot is somewhere between
# the window's appearing (start-up takes a while under Wine) and the moment it was taken: the
# best match among the frames up to then must be close, where any other scene is far off.
"$capture" --from 0 --to 3 --fps 20 --png "$TMP/frames" >/dev/null
convert "$TMP/shot.png" -resize 320x240! "$TMP/shot-small.png"
last=$((seconds_in * 20 / 1000 + 1))
best=1000000 best_frame=""
for ((f = 0; f <= last; f++)); do
  frame=$(printf '%s/%06d.png' "$TMP/frames" "$f")
  [[ -f $frame ]] || break
  e=$(compare -metric MAE "$TMP/shot-small.png" "$frame" null: 2>&1 | awk '{print int($1)}' || true)
  if ((e < best)); then best=$e best_frame=$f; fi
done
echo "screenshot ${seconds_in} ms after the window appeared; best match frame $best_frame (MAE $best of 65535)"
((best < 2500)) || fail "the screen matches no frame of the first $((last * 50)) ms (best MAE $best)"
echo "ok: full screen, shows frame $best_frame of the show, Escape gives exit code 0"
