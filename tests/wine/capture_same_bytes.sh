#!/usr/bin/env bash
# A raw capture of a stretch of the show by sideways-capture.exe under Wine is byte for byte the
# Linux capture's: the same buffers and the same records.
source "$(dirname "$0")/lib/wine.bash"
capture=$(linux_capture)
"$capture" --from 5 --to 6 --raw "$TMP/linux" >/dev/null
"$WINE_RUN" "$BUILD_DIR/sideways-capture.exe" --from 5 --to 6 --raw "$TMP/windows" >/dev/null 2>"$TMP/stderr" \
  || fail "the Windows capture failed: $(cat "$TMP/stderr")"
frames=$(ls "$TMP/linux" | wc -l)
((frames > 400)) || fail "the Linux capture wrote only $frames files"
diff -r "$TMP/linux" "$TMP/windows" >/dev/null || fail "the Windows capture differs: $(diff -rq "$TMP/linux" "$TMP/windows" | head -5)"
echo "ok: $frames files, byte for byte the Linux capture"
