#!/usr/bin/env bash
# A capture removes the leftovers of killed runs beside its outputs, through the descriptor that
# holds each one's lock, never by a name someone can swap: a user who keeps turning a leftover's
# name into a link to another folder, between the capture's check and its removal, never gets a
# file of that folder removed. A folder named like a leftover without the capture's mark is never
# emptied. Needs no root: the same user owns the victim.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir shared victim
for i in $(seq 100); do echo "$i" >"victim/$i"; done

# A real leftover to copy: a killed run's staging folder, with its mark.
"$capture" --png shared/p 2>/dev/null &
pid=$!
for _ in $(seq 200); do [[ $(find shared -path '*/sideways-*.part/*' | wc -l) -ge 5 ]] && break; sleep 0.05; done
kill -KILL "$pid"
wait_exit "$pid" 20
leftover=$(find shared -maxdepth 1 -name 'sideways-*.part' | head -1)
[[ -n $leftover ]] || fail "the killed run left no staging folder to copy"
cp -a "$leftover" template
find template -name '0*.png' | tail -n +4 | xargs rm -f
rm -rf shared/p "$leftover"

# A folder someone named like a leftover, without the mark: kept whole.
mkdir shared/sideways-7-7-mine.part
echo mine >shared/sideways-7-7-mine.part/notes

# The flipper: the marked leftover (holding names like victim's files), then a link to victim in its place, as fast as renames go.
python3 - template shared/sideways-1-1-x.part victim <<'FLIP' &
import os, sys
template, name, victim = sys.argv[1:]
files = {f: open(os.path.join(template, f), "rb").read() for f in os.listdir(template)}
files.update({f: b"" for f in os.listdir(victim)})  # the names a removal by path would reach through the link
spare, link = name + ".dir", os.path.relpath(victim, os.path.dirname(name))
while True:
    try:
        os.mkdir(spare)
        for f, data in files.items():
            with open(os.path.join(spare, f), "wb") as out:
                out.write(data)
    except OSError:
        pass
    for step in (lambda: os.rename(spare, name), lambda: os.rename(name, spare),
                 lambda: os.symlink(link, name), lambda: os.unlink(name)):
        try:
            step()
        except OSError:
            pass
FLIP
flipper=$!
trap 'kill "$flipper" 2>/dev/null || true; wait "$flipper" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 60); do
  "$capture" --wav shared/out.wav --from 0 --to 0 2>/dev/null || fail "a capture beside the flipper failed"
done
kill "$flipper" 2>/dev/null || true
wait "$flipper" 2>/dev/null || true
[[ $(ls victim | wc -l) -eq 100 ]] || fail "files of the linked folder were removed: $(ls victim | wc -l) of 100 left"
[[ $(cat shared/sideways-7-7-mine.part/notes) == mine ]] || fail "a folder named like a leftover was emptied"
echo "ok: 60 captures beside a leftover turned into a link removed nothing through it"
