#!/usr/bin/env bash
# The capture refuses bad arguments with the usage (exit 2) and fails with a clear message
# (exit 1, or 130 when interrupted) when ffmpeg is missing or fails, or a path cannot be written;
# a failed or interrupted run leaves none of its files behind.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
mkdir -p "$TMP/out" "$TMP/bin"
run() { set +e; "$@" >"$TMP/stdout" 2>"$TMP/stderr"; code=$?; set -e; }
expect() {  # expect CODE TEXT: the last run's exit code and a line of its stderr
  [[ $code -eq $1 ]] || fail "exit code $code, not $1: $(cat "$TMP/stderr")"
  grep -qF -- "$2" "$TMP/stderr" || fail "no '$2' in: $(cat "$TMP/stderr")"
  [[ -z $(ls -A "$TMP/out") ]] || fail "left behind: $(ls -A "$TMP/out")"
}

run "$capture"
expect 2 "nothing to write"
grep -q "^usage: sideways-capture" "$TMP/stderr" || fail "no usage after a bad argument"
run "$capture" --raw "$TMP/out/raw" --fps 0
expect 2 "--fps takes a whole number from 1 to 1000, not '0'"
run "$capture" --help
[[ $code -eq 0 ]] && grep -q -- "--raw-every N" "$TMP/stdout" || fail "--help: exit $code"

run env PATH="$TMP/bin" "$capture" -o "$TMP/out/show.mkv"
expect 1 "apt install ffmpeg"

touch "$TMP/file"
run "$capture" --wav "$TMP/file/music.wav"
expect 1 "cannot write $TMP/file/music.wav: Not a directory"
run "$capture" --raw "$TMP/file"
expect 1 "cannot write into $TMP/file: it is not a folder"

# An ffmpeg that takes a few frames and fails: nothing may stay, not even the PNGs already made.
cat >"$TMP/bin/ffmpeg" <<'SCRIPT'
#!/bin/sh
head -c 1000000 >/dev/null
echo "fake ffmpeg: out of disk" >&2
exit 1
SCRIPT
chmod +x "$TMP/bin/ffmpeg"
run env PATH="$TMP/bin:$PATH" "$capture" --to 1 -o "$TMP/out/show.mp4" --png "$TMP/out/png" --wav "$TMP/out/m.wav"
expect 1 "ffmpeg"
grep -q "fake ffmpeg: out of disk" "$TMP/stderr" || fail "ffmpeg's own message is not shown"

# Interrupted half-way: exit 130 and nothing kept.
"$capture" --png "$TMP/out/png" --raw "$TMP/out/raw" 2>"$TMP/stderr" &
pid=$!
for _ in $(seq 100); do [[ -n $(find "$TMP/out/png" -name '*.png' 2>/dev/null | sed -n 20p) ]] && break; sleep 0.05; done
kill -INT "$pid"
wait_exit "$pid" 20
code=$EXIT_CODE
expect 130 "interrupted; nothing was kept"
echo "ok: usage, missing and failing ffmpeg, unwritable paths and an interrupt all leave nothing"
