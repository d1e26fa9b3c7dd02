#!/usr/bin/env bash
# With an audio driver that cannot open, sideways.exe under Wine shows the "Init FAIL" box where
# it can be seen (not behind the full-screen window), and dismissing it ends the program with a
# non-zero exit code.
source "$(dirname "$0")/lib/wine.bash"
start_wine 1024x768

SDL_AUDIODRIVER=no-such-driver "$WINE_RUN" "$BUILD_DIR/sideways.exe" 2>"$TMP/stderr" &
pid=$!
box=$(wait_window BASS 60 "$pid") || fail "no message box titled BASS appeared: $(cat "$TMP/stderr")"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program did not wait for the box"
# The box's middle on the screen must be the box, not the show's black window over it.
read -r x y w h < <(xwininfo -id "$box" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
import -window root -crop "${w}x${h}+${x}+${y}" "$TMP/box.png"
mean=$(convert "$TMP/box.png" -colorspace Gray -format '%[fx:int(mean*255)]' info:)
((mean > 60)) || fail "the box is not visible: its place on the screen is dark (mean $mean of 255)"
# On Windows a full-screen SDL window stays on top of a box without an owner: it must be gone.
if xwininfo -name sideways 2>/dev/null | grep -q IsViewable; then
  fail "the show's full-screen window is still shown behind the box"
fi
timeout 10 xdotool windowfocus --sync "$box" key Return || fail "cannot focus the box to press Return"
wait_exit "$pid" 20
[[ $EXIT_CODE -ne 0 ]] || fail "exit code 0 after the sound failed"
grep -q "Init FAIL" "$TMP/stderr" || fail "stderr does not say Init FAIL: $(cat "$TMP/stderr")"
echo "ok: box visible (mean grey $mean) and dismissed, exit code $EXIT_CODE"
