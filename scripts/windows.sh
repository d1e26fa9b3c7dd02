#!/usr/bin/env bash
# The show for 64-bit Windows, built on Debian and tested under Wine: installs what is missing
# (the mingw-w64 toolchain, Wine, static SDL2 and libopenmpt built from Debian's sources into
# ${SIDEWAYS_DEPS_DIR:-build/deps}), builds build/windows/sideways.exe and sideways-capture.exe,
# and runs the Windows unit tests and end-to-end tests under Wine in a private Xvfb.
#   scripts/windows.sh            build and test
#   scripts/windows.sh --build    build only
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/xvfb.bash
ParseFlags "scripts/windows.sh [--build]" --build=build_only -- "$@"
jobs=$(Jobs)
scripts/deps-windows.sh
scripts/install-deps.sh --tests
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-sideways}

cmake --preset windows >/dev/null
nice cmake --build --preset windows -j"$jobs"
ls -l build/windows/sideways.exe build/windows/sideways-capture.exe
$build_only && exit 0

# The Wine end-to-end tests compare with the Linux capture.
if [[ ! -x build/release/sideways-capture ]]; then
  cmake --preset release >/dev/null
  nice cmake --build --preset release -j"$jobs" --target sideways-capture
fi

# One display and one Wine server for every test, started before and stopped after: a Wine
# server keeps the display it first saw, and races with many processes starting at once.
stop() {
  wineserver -k 2>/dev/null || true
  StopXvfb
}
OnExit stop
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
StartXvfb 1024x768
export SIDEWAYS_WINE_DISPLAY=$DISPLAY
wineserver -p
cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
ctest --preset windows
