#!/usr/bin/env bash
# With an audio driver that cannot open, the demo shows the "Init FAIL" box over its window;
# once the box is dismissed it ends at once, without running the show, and says so (with no frame
# rate even when one is asked for).
source "$(dirname "$0")/lib/common.bash"
start_xvfb 1024x768

SDL_AUDIODRIVER=no-such-driver SIDEWAYS_FPS=1 "$BUILD_DIR/sideways" 2>"$TMP/stderr" &
pid=$!
box=$(wait_window BASS 20 "$pid") || fail "no message box titled BASS appeared: $(cat "$TMP/stderr")"
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the demo did not wait for the box"
xdotool windowfocus --sync "$box" key Return
wait_exit "$pid" 2
[[ $EXIT_CODE -ne 0 ]] || fail "exit code 0 after the sound failed"
grep -q "Init FAIL" "$TMP/stderr" || fail "stderr does not say Init FAIL: $(cat "$TMP/stderr")"
grep -q "frames per second" "$TMP/stderr" && fail "a frame rate after a failed start: $(cat "$TMP/stderr")"
echo "ok: box shown and dismissed, exit code $EXIT_CODE"
