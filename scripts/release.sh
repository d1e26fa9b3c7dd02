#!/usr/bin/env bash
# Builds both release programs and packs them for handing out:
#   dist/sideways-<version>-windows-x86_64.zip     sideways.exe, one self-contained file
#   dist/sideways-<version>-linux-x86_64.tar.gz    sideways, with the shared libraries it needs
# The version is the one `sideways --version` prints, else git describe.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${SIDEWAYS_JOBS:-2}
version=$(sed -n 's/.*ViewerVersionText = "sideways \([^\\"]*\)\\n".*/\1/p' src/app/viewer_options.cpp)
[[ -n $version ]] || version=$(git describe --tags --always --dirty 2>/dev/null || echo unknown)

scripts/windows.sh --build
scripts/install-deps.sh
cmake --preset release >/dev/null
nice cmake --build --preset release -j"$jobs" --target sideways

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

win="$stage/sideways-$version-windows-x86_64"
mkdir -p "$win"
cp build/windows/sideways.exe "$win/"
sed 's/$/\r/' >"$win/README.txt" <<TEXT
sideways $version for 64-bit Windows

A real-time demo: two minutes of software-rendered effects in step with its own tracker music,
shown full screen. Double-click sideways.exe to start it. Escape ends the show; it also ends by
itself when the music does.

It needs 64-bit Windows with OpenGL (every graphics driver brings it) and a
sound output. sideways.exe is the whole program: no installation, no other files.
Without a sound output it shows an "Init FAIL" box and ends.
TEXT
rm -f "dist/sideways-$version-windows-x86_64.zip"
(cd "$stage" && zip -q -r -X "$OLDPWD/dist/sideways-$version-windows-x86_64.zip" "$(basename "$win")")

lin="$stage/sideways-$version-linux-x86_64"
mkdir -p "$lin"
strip -o "$lin/sideways" build/release/sideways
needed=$(objdump -p "$lin/sideways" | awk '/NEEDED/ {print "  " $2}')
cat >"$lin/README.txt" <<TEXT
sideways $version for 64-bit Linux

A real-time demo: two minutes of software-rendered effects in step with its own tracker music,
shown full screen. Run ./sideways from a graphical session (X11 or Wayland). Escape ends the
show; it also ends by itself when the music does. Without a sound output it shows an
"Init FAIL" box and ends.

It is linked against these shared libraries (on Debian 12: apt-get install libsdl2-2.0-0
libopenmpt0 libgl1 libgl1-mesa-dri), which OpenGL and the sound drivers need to be shared:
$needed
TEXT
tar -C "$stage" -czf "dist/sideways-$version-linux-x86_64.tar.gz" "$(basename "$lin")"
ls -l dist/sideways-"$version"-*
