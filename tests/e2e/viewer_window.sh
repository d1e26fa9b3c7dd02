#!/usr/bin/env bash
# The demo in a window, started at the tunnel: `--window 640x480 --from 19` opens a 640x480 window
# that shows the tunnel within a second, the whole picture at its 4:3 shape; widened, the window
# keeps the picture 4:3 between black bars. Escape still ends it with exit code 0. A screen the
# one-screen server does not have is a bad argument: exit 2, the reason and the usage.
source "$(dirname "$0")/lib/common.bash"
start_xvfb 1280x720

status=0
"$BUILD_DIR/sideways" --window --display 1 >/dev/null 2>"$TMP/stderr" || status=$?
[[ $status -eq 2 ]] && grep -q "there is no screen 1" "$TMP/stderr" && grep -q "^usage: " "$TMP/stderr" ||
  fail "--display 1 on one screen exited $status: $(cat "$TMP/stderr")"

# What the tunnel looks like over the first second and a bit of order 19, 40 frames a second.
"$BUILD_DIR/sideways-capture" --from 19 --to 19 --fps 40 --png "$TMP/tunnel" >/dev/null ||
  fail "the capture of order 19 failed"

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TMP/audio.raw" \
  "$BUILD_DIR/sideways" --window 640x480 --from 19 2>"$TMP/stderr" &
pid=$!
window=$(wait_window sideways 10 "$pid") || fail "no sideways window appeared"
sleep 0.5
import -window "$window" "$TMP/window.png"
geometry=$(xdotool getwindowgeometry "$window")
grep -q "Geometry: 640x480" <<<"$geometry" || fail "the window is not 640x480: $geometry"

# The screenshot, brought back to the picture's 320x240, is one of the tunnel's first frames.
convert "$TMP/window.png" -resize '320x240!' "$TMP/shot.png"
best=1
for frame in $(ls "$TMP/tunnel" | head -48); do
  rmse=$(compare -metric RMSE "$TMP/shot.png" "$TMP/tunnel/$frame" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
  best=$(awk -v a="$rmse" -v b="$best" 'BEGIN { print (a < b) ? a : b }')
done
cp "$TMP/window.png" "$BUILD_DIR/e2e-viewer-window.png"
awk -v b="$best" 'BEGIN { exit !(b < 0.25) }' || fail "the window does not show the tunnel's first second (best RMSE $best)"

# Widened to 800x480, the picture stays 640x480 in the middle with black bars beside it.
xdotool windowsize --sync "$window" 800 480
sleep 0.5
import -window "$window" "$TMP/wide.png"
mean() { convert "$TMP/wide.png" -crop "$1" +repage -colorspace gray -format '%[fx:mean]' info:; }
left=$(mean 80x480+0+0) right=$(mean 80x480+720+0) middle=$(mean 640x480+80+0)
awk -v l="$left" -v r="$right" -v m="$middle" 'BEGIN { exit !(l == 0 && r == 0 && m > 0.05) }' ||
  fail "no black bars beside the picture at 800x480 (left $left, middle $middle, right $right)"

kill -0 "$pid" 2>/dev/null || fail "the demo ended early: $(cat "$TMP/stderr")"
xdotool windowfocus --sync "$window" key Escape
wait_exit "$pid" 1
[[ $EXIT_CODE -eq 0 ]] || fail "exit code $EXIT_CODE after Escape: $(cat "$TMP/stderr")"
echo "ok: no screen 1 refused; tunnel within a second (best RMSE $best), bars at 800x480 (middle mean $middle)"
