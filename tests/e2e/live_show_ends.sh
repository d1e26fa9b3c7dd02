#!/usr/bin/env bash
# The live program always ends: --help answers without a window; SIGTERM and Escape close the
# "Init FAIL" box and end the program with no process of ours left; a window destroyed by another
# client ends the show with a message; Escape ends a normal show with exit 0 and, in the sanitizer
# build, no report.
source "$(dirname "$0")/lib/common.bash"
demo="$BUILD_DIR/sideways"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$SOURCE_DIR/tests/e2e/lsan.supp}
# In the sanitizer build Mesa's GL driver is kept loaded until the leak check. The driver is
# loaded with the window's GL context and unloaded when SDL closes the X connection. After a
# window destroyed by another client it still holds a few blocks (Mesa 22.3.6-1+deb12u2: two of
# 56 bytes allocated in swrast_dri.so) that only its own state points to, though our teardown
# is the same as on a normal end (context, window, then the connection); unloaded, those blocks
# look leaked, from a module LeakSanitizer can no longer name. Kept loaded, they are seen to be
# the driver's, and a block of ours that nothing points to is still reported.
preload=""
asan=$(ldd "$demo" | awk '/libasan/ { print $3 }')
if [[ -n $asan ]]; then
  driver=$(dpkg -L "libgl1-mesa-dri:$(dpkg --print-architecture)" | grep '/swrast_dri\.so$' | head -n1)
  [[ -n $driver ]] || fail "no swrast_dri.so from libgl1-mesa-dri"
  preload="$asan $driver"
fi
set +e; env -u DISPLAY "$demo" --help >"$TMP/stdout" 2>"$TMP/stderr"; code=$?; set -e
[[ $code -eq 0 ]] && grep -q "^usage: sideways" "$TMP/stdout" || fail "--help: exit $code, $(cat "$TMP/stderr")"

start_xvfb 1024x768
# Our processes carry a tag in their environment, which the box's forked process inherits; demos
# that other tests start at the same time do not.
tag="SIDEWAYS_TEST_TAG=live-show-ends-$$"
ours() { grep -lzx "$tag" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3 || true; }
# box_then KEYS: shows the box, ends it with KEYS (a signal, or a key on the show window).
box_then() {
  env "$tag" LD_PRELOAD="$preload" SDL_AUDIODRIVER=no-such-driver "$demo" 2>"$TMP/stderr" &
  local pid=$!
  wait_window BASS 20 "$pid" >/dev/null || fail "no Init FAIL box: $(cat "$TMP/stderr")"
  if [[ $1 == Escape ]]; then
    xdotool windowfocus --sync "$(wait_window sideways 5)" key Escape
  else
    kill "-$1" "$pid"
  fi
  wait_exit "$pid" 10
  [[ $EXIT_CODE -eq 1 ]] || fail "$1 on the box: exit $EXIT_CODE, $(cat "$TMP/stderr")"
  sleep 0.2
  [[ -z $(ours) ]] || fail "$1 on the box left $(ours | tr '\n' ' ')"
  [[ -z $(xwininfo -name BASS 2>/dev/null) ]] || fail "$1 on the box left the box up"
}
box_then TERM
box_then Escape

# live SECONDS: plays the show with disk audio; sets pid and window.
live() {
  LD_PRELOAD=$preload SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$TMP/audio.raw" "$demo" 2>"$TMP/stderr" &
  pid=$!
  window=$(wait_window sideways 30 "$pid") || fail "no sideways window: $(cat "$TMP/stderr")"
  sleep "$1"
  kill -0 "$pid" 2>/dev/null || fail "the show ended early: $(cat "$TMP/stderr")"
}
live 1
xdotool windowclose "$window"
wait_exit "$pid" 10
[[ $EXIT_CODE -eq 0 ]] && grep -q "the window was closed by another program" "$TMP/stderr" ||
  fail "window destroyed: exit $EXIT_CODE, $(cat "$TMP/stderr")"
grep -q "Sanitizer" "$TMP/stderr" && fail "a sanitizer report after a destroyed window: $(cat "$TMP/stderr")"

live 4
xdotool windowfocus --sync "$window" key Escape
wait_exit "$pid" 20
[[ $EXIT_CODE -eq 0 ]] || fail "Escape: exit $EXIT_CODE, $(cat "$TMP/stderr")"
grep -q "Sanitizer" "$TMP/stderr" && fail "a sanitizer report: $(cat "$TMP/stderr")"
echo "ok: --help, the box ended by SIGTERM and by Escape, a destroyed window, a clean end"
