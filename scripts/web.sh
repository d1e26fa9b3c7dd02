#!/usr/bin/env bash
# Builds the show as a web page into build/web (sideways.html, .js, .wasm) and tests it in
# headless Chromium, in Firefox ESR and in WebKitGTK (Safari's engine). Installs what is missing
# first; SDL2 and libopenmpt for wasm are built once, under ${SIDEWAYS_DEPS_DIR:-build/deps}/web.
#   scripts/web.sh                   build, then test in Chromium, Firefox and WebKit
#   scripts/web.sh --whole           the first browser's run also plays the whole show to its end
#   scripts/web.sh --browser NAME    test in one browser only: chromium, firefox or webkit
#   scripts/web.sh --build           build only
# Firefox and WebKit run in a private X server (Xvfb: headless Firefox has no WebGL here, and
# WebKitGTK has no headless mode) with a private PulseAudio server whose only output is a null
# sink; both are stopped when the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/xvfb.bash

whole=() browsers=(chromium firefox webkit) build_only=false
usage="usage: $0 [--whole] [--browser chromium|firefox|webkit] [--build]"
while [[ $# -gt 0 ]]; do
  case $1 in
    --whole) whole=(--whole) ;;
    --build) build_only=true ;;
    --browser)
      [[ ${2:-} =~ ^(chromium|firefox|webkit)$ ]] || { echo "$usage" >&2; exit 2; }
      browsers=("$2")
      shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done

jobs=$(Jobs)
scripts/install-deps.sh
scripts/web-deps.sh
export NODE_PATH=/usr/share/nodejs
# WebKitGTK's MiniBrowser, which WebKitWebDriver starts, is not on PATH.
export SIDEWAYS_MINIBROWSER=${SIDEWAYS_MINIBROWSER:-/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/webkit2gtk-4.1/MiniBrowser}

# The asset converter and the icon painter run at build time, so they come from the host build;
# so does the desktop capture the test compares the page's picture with.
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs" --target embed paint sideways-capture
cmake --preset web >/dev/null
cmake --build --preset web -j"$jobs"
# What a first visit downloads, with gzip: at most 0.6 MB.
download=0
for file in build/web/sideways.{html,js,wasm,webmanifest} build/web/sideways-sw.js; do
  packed=$(gzip -9c "$file" | wc -c)
  download=$((download + packed))
  printf '%s: %d bytes, %d with gzip -9\n' "$file" "$(stat -c %s "$file")" "$packed"
done
echo "the page's download: $download bytes with gzip -9"
((download <= 600000)) || Fail "the page's download is $download bytes with gzip -9, over its 600000"
$build_only && exit 0

scratch=$(mktemp -d)
pids=()
Cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  StopXvfb
  rm -rf "$scratch"
}
OnExit Cleanup

# Starts Xvfb on a display it picks itself and PulseAudio with a null sink on a socket in the
# scratch folder, and points DISPLAY and PULSE_SERVER at them.
StartDesktop() {
  [[ -n $XvfbPid ]] && return
  StartXvfb 1280x1024 "$scratch/xvfb.log" || { cat "$scratch/xvfb.log" >&2; exit 1; }
  local i
  mkdir -p "$scratch/pulse"
  HOME=$scratch XDG_RUNTIME_DIR=$scratch/pulse pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --load="module-null-sink sink_name=silent" \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$scratch/pulse/native" >"$scratch/pulse.log" 2>&1 &
  pids+=($!)
  for ((i = 0; i < 100; i++)); do
    [[ -S $scratch/pulse/native ]] && break
    sleep 0.1
  done
  [[ -S $scratch/pulse/native ]] || { cat "$scratch/pulse.log" >&2; echo "PulseAudio did not start" >&2; exit 1; }
  export PULSE_SERVER=unix:$scratch/pulse/native
}

reference=$scratch/reference
mkdir "$reference"
build/release/sideways-capture --from 10 --to 10 --fps 1 --png "$reference" >/dev/null
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
failed=0
for browser in "${browsers[@]}"; do
  echo "== $browser"
  started=$SECONDS
  [[ $browser = chromium ]] || StartDesktop
  node tests/web/browser_test.mjs build/web "$reference" --browser "$browser" "${whole[@]}" || failed=1
  whole=()
  echo "== $browser: $((SECONDS - started)) s"
done
node tests/web/gentle_test.mjs build/web || failed=1
exit $failed
