#!/usr/bin/env bash
# The real demo under Xvfb plays the whole show, order 0 to order 31, and ends by itself with
# exit code 0; a screenshot from the middle shows a scene, not black.
source "$(dirname "$0")/lib/common.bash"
start_xvfb 1280x720

start=$(date +%s)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TMP/audio.raw" "$BUILD_DIR/sideways" 2>"$TMP/stderr" &
pid=$!
wait_window sideways 10 "$pid" >/dev/null || fail "no sideways window appeared: $(cat "$TMP/stderr")"
sleep 60
import -window root "$TMP/middle.png"
mean=$(convert "$TMP/middle.png" -colorspace gray -format '%[fx:mean]' info:)
awk -v m="$mean" 'BEGIN { exit !(m > 0.05) }' || fail "the screen is black a minute in (mean $mean)"

# The music lasts 31 orders of 3.84 s (119 s); SDL's file output runs a little fast.
wait_exit "$pid" 120
[[ $EXIT_CODE -eq 0 ]] || fail "exit code $EXIT_CODE at the end of the show: $(cat "$TMP/stderr")"
elapsed=$(( $(date +%s) - start ))
(( elapsed >= 100 )) || fail "the show ended after only $elapsed s"
echo "ok: the show ended by itself after $elapsed s with exit code 0"
