#!/usr/bin/env bash
# With SIDEWAYS_FPS=1 the real demo prints the frame rate, and the mean and worst cost of the
# software part of a frame and of the upload and swap, to stderr when Escape ends it.
source "$(dirname "$0")/lib/common.bash"
start_xvfb 1280x720

SIDEWAYS_FPS=1 SDL_AUDIODRIVER=dummy "$BUILD_DIR/sideways" 2>"$TMP/stderr" &
pid=$!
window=$(wait_window sideways 10 "$pid") || fail "no sideways window appeared: $(cat "$TMP/stderr")"
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the demo ended early: $(cat "$TMP/stderr")"
xdotool windowfocus --sync "$window" key Escape
wait_exit "$pid" 5
[[ $EXIT_CODE -eq 0 ]] || fail "exit code $EXIT_CODE after Escape: $(cat "$TMP/stderr")"

line=$(grep "frames per second" "$TMP/stderr") || fail "no frame rate on stderr: $(cat "$TMP/stderr")"
fps=$(awk '{ print $2 }' <<<"$line")
awk -v f="$fps" 'BEGIN { exit !(f > 0) }' || fail "frame rate not positive: $(cat "$TMP/stderr")"
for part in "software (draw + conversion)" "upload and swap"; do
    grep -Eq "^sideways: ${part//[()+]/.} mean [0-9]+\.[0-9]{3} ms, worst [0-9]+\.[0-9]{3} ms$" "$TMP/stderr" ||
        fail "no '$part' cost on stderr: $(cat "$TMP/stderr")"
done
echo "ok: $line"
grep -E "mean .* worst" "$TMP/stderr"
