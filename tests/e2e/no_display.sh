#!/usr/bin/env bash
# Without any display the demo says so, in our words alone, and exits non-zero.
source "$(dirname "$0")/lib/common.bash"
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR SDL_AUDIODRIVER=dummy timeout 10 "$BUILD_DIR/sideways" 2>"$TMP/stderr"
code=$?
set -e
[[ $code -ne 0 && $code -ne 124 ]] || fail "exit code $code without a display"
grep -q "cannot open the display" "$TMP/stderr" || fail "unclear message: $(cat "$TMP/stderr")"
# Ours is the only message: no library speaks before it.
[[ $(wc -l <"$TMP/stderr") -eq 1 ]] || fail "more than our message: $(cat "$TMP/stderr")"
echo "ok: exit code $code, $(head -n1 "$TMP/stderr")"
