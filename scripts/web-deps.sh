#!/usr/bin/env bash
# Installs the web build's tools and the browser test's browsers from Debian and builds SDL2 and
# libopenmpt from Debian's source packages as static WebAssembly libraries under
# ${SIDEWAYS_DEPS_DIR:-build/deps}/web (each skipped when already built by the same version and
# recipe: a change of its flags builds it again).
#   scripts/web-deps.sh   prints nothing but what it installs or builds
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/debian.bash
source scripts/lib/recipes.bash
ParseFlags "scripts/web-deps.sh" -- "$@"

# The page's test runs in Chromium and, in a private X server with a private sound server, in
# Firefox ESR and in WebKitGTK's MiniBrowser through its WebDriver; WebKit plays Web Audio through
# GStreamer (appsrc and the converters in the base plugins, the PulseAudio sink).
InstallPackages emscripten chromium firefox-esr webkit2gtk-driver libwebkit2gtk-4.1-0 gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good gstreamer1.0-pulseaudio xvfb pulseaudio cmake make pkg-config dpkg-dev
# The browser test needs npm; a Node from outside Debian brings its own and conflicts with Debian's.
command -v npm >/dev/null || InstallPackages nodejs npm

BuildLibraries "$(DepsDir)" web libsdl2 libopenmpt highway
