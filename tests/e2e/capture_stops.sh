#!/usr/bin/env bash
# A signal ends a capture within a few seconds whatever its outputs do: a named pipe nobody reads
# from (as the video or as the sound), an ffmpeg that ignores SIGTERM while the capture waits for
# it at the end. It exits 128 + the signal, commits nothing more and leaves no temporaries; the
# video's sound is an unnamed file that not even a kill -9 leaves behind.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir tmp
export TMPDIR=$TMP/tmp
# stopped SECONDS SIGNAL ARGS...: runs a capture, sends SIGNAL after SECONDS; it must end within 6 s.
stopped() {
  local after=$1 signal=$2; shift 2
  "$capture" "$@" 2>stderr & local pid=$!
  sleep "$after"
  kill "-$signal" "$pid"
  local start=$SECONDS
  wait_exit "$pid" 6
  code=$EXIT_CODE
  [[ -z $(find . -name 'sideways-*.part') ]] || fail "$*: temporaries left: $(find . -name 'sideways-*.part')"
  echo "$* ended $((SECONDS - start)) s after SIG$signal" >&2
}

mkfifo stalled.mkv stalled.wav
sleep 60 <stalled.mkv & reader=$!
stopped 4 TERM --from 5 --to 6 -o stalled.mkv
[[ $code -eq 143 ]] && grep -q "interrupted; nothing was kept" stderr || fail "stalled video: exit $code, $(cat stderr)"
kill "$reader"
[[ -z $(ls tmp) ]] || fail "the streamed video's sound was left in TMPDIR: $(ls tmp)"
sleep 60 <stalled.wav & reader=$!
stopped 4 INT --from 5 --to 5 --wav stalled.wav --png png
[[ $code -eq 130 && ! -e png ]] || fail "stalled sound: exit $code, $(cat stderr)"
kill "$reader"

# An ffmpeg that takes every frame, then ignores SIGTERM while it "finishes": the capture waits
# for it, and a SIGTERM then still ends the run without putting the video in place.
mkdir bin
cat >bin/ffmpeg <<'SCRIPT'
#!/bin/sh
trap '' TERM
cat >/dev/null
exec sleep 60
SCRIPT
chmod +x bin/ffmpeg
echo OLD >late.mp4
PATH="$TMP/bin:$PATH" stopped 3 TERM --from 5 --to 5 --scale 1 -o late.mp4
[[ $code -eq 143 && $(cat late.mp4) == OLD ]] || fail "late signal: exit $code, $(cat stderr)"

# kill -9 of a capture that streams its video: nothing of its sound is left anywhere.
sleep 60 <stalled.mkv & reader=$!
"$capture" --from 5 --to 6 -o stalled.mkv 2>/dev/null & pid=$!
sleep 2
kill -KILL "$pid"
wait_exit "$pid" 5
kill "$reader"
[[ -z $(ls tmp) ]] || fail "a killed capture left its sound: $(ls tmp)"
echo "ok: stalled outputs and a stuck ffmpeg end on a signal within seconds; nothing left"
