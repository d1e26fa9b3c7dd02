#!/usr/bin/env bash
# What is on disk keeps its kind: a symbolic link is written through to the file it names, a
# device and a named pipe are written straight, an open descriptor (/dev/stdout) is written in
# the mode it was opened with, a folder given as a file is refused before anything is drawn, and
# two outputs that name one file (spelled apart) are refused. Any legal name works: one with a
# colon, one of 250 characters.
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir sub bin
args=(--to 0 --fps 10)
"$capture" "${args[@]}" --wav plain.wav || fail "plain capture: exit $?"

# device NAME MINOR SYSTEM: a node of memory device MINOR named NAME in the scratch folder when we
# may make one (root), else the system's own /dev/SYSTEM, which an ordinary user cannot replace
# either; prints the name to write to.
device() {
  if mknod "$1" c 1 "$2" 2>/dev/null; then echo "$1"; else echo "/dev/$3"; fi
}
ln -s target.wav link.wav
mkfifo fifo.wav
cat fifo.wav >from-fifo.wav &
reader=$!
null=$(device null.wav 3 null)
long=$(printf 'n%.0s' $(seq 246)).wav
for target in link.wav fifo.wav "$null" "$long"; do
  "$capture" "${args[@]}" --wav "$target" 2>stderr || fail "--wav $target: exit $?: $(cat stderr)"
done
wait_exit "$reader" 20
[[ -L link.wav ]] && cmp -s target.wav plain.wav || fail "the link was not written through"
[[ -p fifo.wav ]] && cmp -s from-fifo.wav plain.wav || fail "the pipe's reader did not get the sound"
[[ -c $null ]] || fail "the device node was replaced"
cmp -s "$long" plain.wav || fail "a 250-character name was not written"
full=$(device full.wav 7 full)
set +e; "$capture" "${args[@]}" --wav "$full" 2>stderr; code=$?; set -e
[[ $code -eq 1 && -c $full ]] && grep -q "cannot write $full: No space left on device" stderr ||
  fail "a full device: exit $code, $(cat stderr)"

# /dev/stdout is the descriptor the shell opened: a pipe, or a file appended to, never replaced.
"$capture" "${args[@]}" --wav /dev/stdout | cmp -s - plain.wav || fail "/dev/stdout into a pipe"
echo keep >log
"$capture" "${args[@]}" --wav /dev/stdout >>log 2>stderr || fail "/dev/stdout appended: $(cat stderr)"
cmp -s <(echo keep; cat plain.wav) log || fail "appending to /dev/stdout replaced the file"
"$capture" "${args[@]}" --wav /proc/self/fd/5 5>>log || fail "/proc/self/fd/5"
[[ $(stat -c %s log) -eq $((5 + 2 * $(stat -c %s plain.wav))) ]] || fail "/proc/self/fd/5 did not append"
# A reader that goes away early: named, exit 1, nothing left of the other outputs.
set +e; "$capture" "${args[@]}" --wav /dev/stdout --png gone-png 2>stderr | head -c 100 >/dev/null
code=${PIPESTATUS[0]}; set -e
[[ $code -eq 1 ]] && grep -qF "cannot write /dev/stdout: its reader went away" stderr || fail "early reader: $code $(cat stderr)"
[[ ! -e gone-png && -z $(find . -name 'sideways-*.part') ]] || fail "an early reader left $(ls)"

# Refused before anything is drawn: ffmpeg (a stand-in that leaves a mark) never starts.
printf '#!/bin/sh\ntouch "%s/ffmpeg-ran"\ncat >/dev/null\n' "$TMP" >bin/ffmpeg
chmod +x bin/ffmpeg
mkdir folder.mkv
refused() {  # refused TEXT ARGS...: exit 1 with TEXT, nothing started or left behind
  local text=$1; shift
  set +e; PATH="$TMP/bin:$PATH" "$capture" "$@" 2>stderr; code=$?; set -e
  [[ $code -eq 1 ]] && grep -qF -- "$text" stderr || fail "$*: exit $code, $(cat stderr)"
  [[ ! -e ffmpeg-ran && ! -e raw && -z $(find folder.mkv sub -mindepth 1) ]] || fail "$*: started or left something"
}
refused "cannot write folder.mkv: it is a folder" -o folder.mkv --png sub/png
refused "-o x.mkv and --wav sub/../x.mkv name the same file" -o x.mkv --wav sub/../x.mkv
ln -s target.mkv link.mkv
refused "-o link.mkv and --wav target.mkv name the same file" -o link.mkv --wav target.mkv
refused "--wav raw/frames.csv is one of the files --raw writes" --wav raw/frames.csv --raw ./raw
echo OLD >old.mkv
refused "--wav sub/dup and --png sub/dup name the same file" -o old.mkv --wav sub/dup --png sub/dup
[[ $(cat old.mkv) == OLD ]] || fail "a refused run replaced old.mkv"

# A name with a colon is a file name, not a protocol.
"$capture" --to 0 --scale 1 -o show-12:30.mkv 2>stderr || fail "colon: exit $?: $(cat stderr)"
[[ $(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 file:show-12:30.mkv | tr '\n' ' ') == \
   "video audio " ]] || fail "the colon's video has no video and sound"
[[ -z $(find . -name 'sideways-*.part') ]] || fail "temporaries left: $(find . -name 'sideways-*.part')"
echo "ok: link, pipe, devices and open descriptors keep their kind and get the sound; refusals before drawing"
