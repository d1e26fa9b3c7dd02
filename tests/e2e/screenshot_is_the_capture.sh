#!/usr/bin/env bash
# The committed AppStream screenshot is the frame the capture draws today (remade by the target
# regenerate-screenshot).
source "$(dirname "$0")/lib/common.bash"
"$BUILD_DIR/sideways-capture" --from 18 --to 18 --fps 1 --png "$TMP/png" 2>"$TMP/stderr" || fail "capture: $(cat "$TMP/stderr")"
cmp -s "$TMP/png/000072.png" "$SOURCE_DIR/desktop/screenshot.png" ||
  fail "desktop/screenshot.png is not what the capture draws; build the target regenerate-screenshot"
echo "the screenshot is the capture's frame 72"
