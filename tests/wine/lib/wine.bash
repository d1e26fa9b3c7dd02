# Shared by the Windows end-to-end scripts: the Linux helpers (scratch folder, Xvfb, waits) and
# a Wine server on a display. Usage: source it with the build directory as $1 and the source
# directory as $2. Under scripts/windows.sh every script shares the one display and Wine server
# it started (SIDEWAYS_WINE_DISPLAY); run alone, a script starts its own and stops them after.
source "$(dirname "${BASH_SOURCE[0]}")/../../e2e/lib/common.bash"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-sideways}
WINE_RUN="$SOURCE_DIR/cmake/wine-run.sh"
OWN_WINESERVER=""

# A script keeps the program it started in $pid: a failed check must not leave it running.
wine_cleanup() {
  if [[ -n ${pid:-} ]] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  [[ -n $OWN_WINESERVER ]] && wineserver -k 2>/dev/null || true
  cleanup
}
trap wine_cleanup EXIT

# Exports DISPLAY and makes sure a Wine server runs for it.
start_wine() {
  if [[ -n ${SIDEWAYS_WINE_DISPLAY:-} ]]; then
    export DISPLAY=$SIDEWAYS_WINE_DISPLAY
    return 0
  fi
  # A Wine server keeps the display it first saw: a new one for our own display.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  start_xvfb "${1:-1024x768}"
  OWN_WINESERVER=1
  wineserver -p
  "$WINE_RUN" cmd /c exit >/dev/null 2>&1 || true
}

# The Linux capture that the Windows build is compared with.
linux_capture() {
  local capture=${SIDEWAYS_LINUX_BUILD:-$SOURCE_DIR/build/release}/sideways-capture
  [[ -x $capture ]] || fail "no Linux capture at $capture: build the release preset first"
  echo "$capture"
}
