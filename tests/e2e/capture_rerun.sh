#!/usr/bin/env bash
# A capture into folders that hold an earlier one: refused without --replace; with it, a run that
# is interrupted (SIGTERM: exit 143) or killed leaves the earlier capture byte for byte, the next
# run clears what a killed one left, and a completed run replaces the earlier capture whole.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir out
"$capture" --to 1 --png out/png --raw out/raw --raw-every 50 || fail "first capture: exit $?"
touch out/png/notes.txt
cp -a out before

set +e; "$capture" --to 0 --png out/png 2>stderr; code=$?; set -e
[[ $code -eq 1 ]] && grep -qF "out/png holds 461 files of an earlier capture; give --replace" stderr ||
  fail "no --replace: exit $code, $(cat stderr)"

staged() { find out -path '*/sideways-capture-*.part/*' | wc -l; }
# stop SIGNAL: starts a rerun, sends SIGNAL once it has staged frames; sets code.
stop() {
  "$capture" --replace --png out/png --raw out/raw 2>stderr &
  local pid=$!
  for _ in $(seq 200); do [[ $(staged) -ge 40 ]] && break; sleep 0.05; done
  kill "-$1" "$pid"
  wait_exit "$pid" 20
  code=$EXIT_CODE
}
stop TERM
[[ $code -eq 143 ]] && grep -q "interrupted; nothing was kept" stderr || fail "SIGTERM: exit $code, $(cat stderr)"
diff -r before out >/dev/null || fail "an interrupted rerun changed the earlier capture: $(diff -rq before out)"
stop KILL
[[ $(staged) -gt 0 ]] || fail "nothing was staged before SIGKILL"
set +e; "$capture" --png out/png 2>/dev/null; "$capture" --raw out/raw 2>/dev/null; set -e
[[ $(staged) -eq 0 ]] || fail "a killed run's temporaries were not cleared by the next run"
diff -r before out >/dev/null || fail "the earlier capture changed: $(diff -rq before out)"

"$capture" --replace --to 0 --png out/png --raw out/raw --raw-every 50 || fail "replacing: exit $?"
[[ $(find out/png -name '*.png' | wc -l) -eq 231 && -e out/png/notes.txt && ! -e out/png/000231.png ]] ||
  fail "the replaced PNGs are a mix: $(ls out/png | tail -3)"
[[ $(wc -l <out/raw/frames.csv) -eq 232 && ! -e out/raw/000300.rgb565 ]] || fail "the raw folder is a mix"
cmp -s out/png/000100.png before/png/000100.png || fail "a replaced frame differs from the first capture's"

set +e; "$capture" --wav hup.wav 2>/dev/null & pid=$!; set -e
sleep 0.2; kill -HUP "$pid"; wait_exit "$pid" 20
[[ $EXIT_CODE -eq 129 && ! -e hup.wav ]] || fail "SIGHUP: exit $EXIT_CODE"
echo "ok: earlier captures survive refusals, SIGTERM and SIGKILL, and are replaced whole"
