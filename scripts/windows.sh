#!/usr/bin/env bash
# The show for 64-bit Windows, built on Debian and tested under Wine: installs what is missing
# (the mingw-w64 toolchain, Wine, static SDL2 and libopenmpt built from Debian's sources into
# ${SIDEWAYS_DEPS_DIR:-build/deps}), builds build/windows/sideways.exe and sideways-capture.exe,
# and runs the Windows unit tests and end-to-end tests under Wine in a private Xvfb.
#   scripts/windows.sh            build and test
#   scripts/windows.sh --build    build only
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${SIDEWAYS_JOBS:-2}
export SIDEWAYS_JOBS=$jobs
scripts/deps-windows.sh
scripts/install-deps.sh --tests
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-sideways}

cmake --preset windows >/dev/null
nice cmake --build --preset windows -j"$jobs"
ls -l build/windows/sideways.exe build/windows/sideways-capture.exe
[[ ${1:-} == --build ]] && exit 0

# The Wine end-to-end tests compare with the Linux capture.
if [[ ! -x build/release/sideways-capture ]]; then
  cmake --preset release >/dev/null
  nice cmake --build --preset release -j"$jobs" --target sideways-capture
fi

# One display and one Wine server for every test, started before and stopped after: a Wine
# server keeps the display it first saw, and races with many processes starting at once.
xvfb_pid=""
stop() {
  wineserver -k 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop EXIT
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
for _ in 1 2 3 4 5; do
  n=$((200 + RANDOM % 700))
  [[ -e /tmp/.X$n-lock ]] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do xwininfo -root -display ":$n" >/dev/null 2>&1 && break; sleep 0.05; done
  xwininfo -root -display ":$n" >/dev/null 2>&1 && break
  kill "$xvfb_pid" 2>/dev/null || true; xvfb_pid=""
done
[[ -n $xvfb_pid ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$n" SIDEWAYS_WINE_DISPLAY=":$n"
wineserver -p
cmake/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
ctest --preset windows
