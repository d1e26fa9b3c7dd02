#!/usr/bin/env bash
# A capture into folders that hold an earlier one: refused without --replace; with it, a run that
# is interrupted (SIGTERM: exit 143), killed, or refused for a frame name in the way leaves the
# earlier capture byte for byte, and a completed run replaces exactly what the earlier one's
# frames.csv records, keeping the rest. Leftovers are judged by the lock their writer holds, not
# by a process id; a second capture into a folder in use is refused; a folder that cannot be
# listed is refused; a replaced file keeps its mode and owner.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir out
"$capture" --to 1 --png out/png --raw out/raw --raw-every 50 || fail "first capture: exit $?"
touch out/png/notes.txt out/png/20240101.png
cp -a out before

set +e; "$capture" --to 0 --png out/png 2>stderr; code=$?; set -e
[[ $code -eq 1 ]] && grep -qF "out/png holds 462 files of an earlier capture; give --replace" stderr ||
  fail "no --replace: exit $code, $(cat stderr)"

staged() { find . -path '*/sideways-*.part/*' | wc -l; }
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

# A frame name that is a folder is refused before the first frame: everything stays.
mkdir out/png/000500.png
set +e; "$capture" --replace --from 2 --to 2 --png out/png --wav out/a.wav 2>stderr; code=$?; set -e
[[ $code -eq 1 ]] && grep -qF "cannot write out/png/000500.png: it is a folder" stderr || fail "folder frame: $(cat stderr)"
rmdir out/png/000500.png
diff -r before out >/dev/null || fail "a refused run changed the earlier capture: $(diff -rq before out)"

"$capture" --replace --to 0 --png out/png --raw out/raw --raw-every 50 || fail "replacing: exit $?"
[[ $(find out/png -name '*.png' | wc -l) -eq 232 && -e out/png/notes.txt && -e out/png/20240101.png &&
   ! -e out/png/000231.png ]] || fail "the replaced PNGs are a mix, or files no capture wrote went: $(ls out/png | tail -3)"
[[ $(wc -l <out/raw/frames.csv) -eq 232 && ! -e out/raw/000300.rgb565 ]] || fail "the raw folder is a mix"
cmp -s out/png/000100.png before/png/000100.png || fail "a replaced frame differs from the first capture's"

# A live capture's temporaries survive another capture into the same folder, whatever its name
# or process id; a killed one's with this capture's own process id (PID 1 in a container) do not
# stand in its way.
ln -s "$capture" render
./render --from 3 --to 12 --png live --wav live.wav & live=$!
for _ in $(seq 100); do [[ -n $(find . -maxdepth 1 -name 'sideways-*live.wav.part') ]] && break; sleep 0.05; done
"$capture" --from 5 --to 5 --wav other.wav || fail "a second capture beside a live one failed"
set +e; "$capture" --from 5 --to 5 --png live 2>stderr; code=$?; set -e
[[ $code -eq 1 ]] && grep -qF "live is being written by another capture" stderr || fail "two into one folder: $(cat stderr)"
wait_exit "$live" 60
[[ $EXIT_CODE -eq 0 && -s live.wav && $(ls live | wc -l) -eq $(wc -l <live/frames.csv) ]] ||
  fail "the live capture was disturbed: exit $EXIT_CODE"
# PID 1 comes from a PID namespace of our own: root makes one, an ordinary user inside a user
# namespace of their own where the system allows it (not in a chroot, for one).
touch sideways-1-1-a.wav.part
if [[ $(id -u) -eq 0 ]]; then as_pid1=(unshare --pid --fork); else as_pid1=(unshare --user --map-root-user --pid --fork); fi
if "${as_pid1[@]}" true 2>/dev/null; then
  "${as_pid1[@]}" "$capture" --from 5 --to 5 --wav a.wav || fail "a leftover with our PID blocked us"
  [[ -s a.wav && ! -e sideways-1-1-a.wav.part ]] || fail "the leftover was not cleared"
else
  skip_part "a leftover with our PID: this system gives us no PID namespace"
fi

# A replaced file keeps its mode and owner (another owner needs root; the mode is checked always).
echo secret >private.wav; chmod 600 private.wav
owner="$(id -u) $(id -g)"
if [[ $(id -u) -eq 0 ]]; then chown 1234:1234 private.wav; owner="1234 1234"; else skip_part "another owner needs root"; fi
"$capture" --from 5 --to 5 --wav private.wav
[[ $(stat -c '%a %u %g' private.wav) == "600 $owner" ]] || fail "mode and owner: $(stat -c '%a %u %g' private.wav)"

# As an ordinary user (root becomes one): a folder that cannot be listed is refused, not
# overwritten blind.
chmod o+x "$TMP"
mkdir -m 777 user && cd user
as_user() {
  if [[ $(id -u) -eq 0 ]]; then setpriv --reuid 65534 --regid 65534 --clear-groups "$@"; else "$@"; fi
}
as_user "$capture" --from 5 --to 5 --png wx
echo edited >wx/001152.png; chmod 333 wx
set +e; as_user "$capture" --from 5 --to 5 --png wx 2>stderr; code=$?; set -e
[[ $code -eq 1 && $(cat wx/001152.png) == edited ]] && grep -qF "cannot read the folder wx to see what it holds" stderr ||
  fail "unlistable folder: exit $code, $(cat stderr)"
cd ..

set +e; "$capture" --wav hup.wav 2>/dev/null & pid=$!; set -e
sleep 0.2; kill -HUP "$pid"; wait_exit "$pid" 20
[[ $EXIT_CODE -eq 129 && ! -e hup.wav ]] || fail "SIGHUP: exit $EXIT_CODE"
finish_skipped
echo "ok: earlier captures survive refusals, signals and kills and are replaced exactly; leftovers by lock"
