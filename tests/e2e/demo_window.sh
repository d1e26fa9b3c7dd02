#!/usr/bin/env bash
# The real demo under Xvfb with SDL's disk audio: the window covers the screen, the picture shows,
# Escape ends the show within a second with exit code 0, and the audio file holds music.
source "$(dirname "$0")/lib/common.bash"
start_xvfb 1280x720

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TMP/audio.raw" \
  "$BUILD_DIR/sideways" 2>"$TMP/stderr" &
pid=$!
window=$(wait_window sideways 10 "$pid") || fail "no sideways window appeared"

geometry=$(xdotool getwindowgeometry "$window")
grep -q "Position: 0,0" <<<"$geometry" || fail "window not at the origin: $geometry"
grep -q "Geometry: 1280x720" <<<"$geometry" || fail "window does not cover the screen: $geometry"

sleep 2
import -window root "$TMP/screen.png"
cp "$TMP/screen.png" "$BUILD_DIR/e2e-demo-window.png"
mean=$(convert "$TMP/screen.png" -colorspace gray -format '%[fx:mean]' info:)
awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }' || fail "the screen is black two seconds in (mean $mean)"

kill -0 "$pid" 2>/dev/null || fail "the demo ended early: $(cat "$TMP/stderr")"
xdotool windowfocus --sync "$window" key Escape
wait_exit "$pid" 1
[[ $EXIT_CODE -eq 0 ]] || fail "exit code $EXIT_CODE after Escape: $(cat "$TMP/stderr")"

[[ -s "$TMP/audio.raw" ]] || fail "no audio was written"
peak=$(sox -t f32 -r 44100 -c 2 "$TMP/audio.raw" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
awk -v p="$peak" 'BEGIN { exit !(p > 0.05) }' || fail "the audio is silent (peak $peak)"
echo "ok: window 1280x720, screen mean $mean, audio peak $peak"
