#!/usr/bin/env bash
# The flash screen of the whole show: the show as drawn has seconds over 3 flashes, gentle mode
# none, general or red. Gentle mode's capture is the same bytes twice (buffers sampled through the
# whole show, which depend on every frame before them, and the report).
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
summary=$("$capture" --flash-report "$TMP/drawn.csv" --raw "$TMP/drawn" --raw-every 500) || fail "exit $?"
[[ $(head -n1 "$TMP/drawn.csv") == "second,general,general_x,general_y,red,red_x,red_y" ]] ||
  fail "report header: $(head -n1 "$TMP/drawn.csv")"
[[ $(($(wc -l <"$TMP/drawn.csv") - 1)) -eq 120 ]] || fail "not one line per second of the show"
[[ $summary =~ ^flashes:\ ([0-9]+)\ of\ 120\ seconds ]] && ((BASH_REMATCH[1] > 0)) ||
  fail "the show as drawn passes the screen: $summary"
for run in a b; do
  mkdir -p "$TMP/$run"
  "$capture" --gentle --raw "$TMP/$run/raw" --raw-every 500 --flash-report "$TMP/$run/flash.csv" \
    >"$TMP/$run.summary" || fail "gentle run $run: exit $?"
done
diff -r "$TMP/a" "$TMP/b" >/dev/null || fail "two gentle runs differ: $(diff -rq "$TMP/a" "$TMP/b" | head -3)"
grep -q '^flashes: 0 of 120 seconds over 3 (general 0, red 0)' "$TMP/a.summary" ||
  fail "gentle mode flashes: $(cat "$TMP/a.summary")"
awk -F, 'NR > 1 && ($2 > 3 || $5 > 3) { exit 1 }' "$TMP/a/flash.csv" || fail "a second over 3 in the gentle report"
# What does not flash is shown as drawn (the warning at the start); the rings at 50 s are not.
cmp -s "$TMP/a/raw/000000.rgb565" "$TMP/drawn/000000.rgb565" || fail "gentle mode changed the first frame"
cmp -s "$TMP/a/raw/003000.rgb565" "$TMP/drawn/003000.rgb565" && fail "gentle mode left the rings as drawn"
echo "ok: as drawn $summary; gentle $(cat "$TMP/a.summary")"
