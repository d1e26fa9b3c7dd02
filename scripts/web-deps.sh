#!/usr/bin/env bash
# Installs the web build's tools and the browser test's browsers from Debian and builds SDL2 and
# libopenmpt from Debian's source packages as static WebAssembly libraries under
# ${SIDEWAYS_DEPS_DIR:-build/deps}/web. A stamp naming both versions and the build's flags makes
# a second run return at once, and a change of flags rebuild them.
#   scripts/web-deps.sh   prints nothing but what it installs or builds
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian.bash

# The page's test runs in Chromium and, in a private X server with a private sound server, in
# Firefox ESR and in WebKitGTK's MiniBrowser through its WebDriver; WebKit plays Web Audio through
# GStreamer (appsrc and the converters in the base plugins, the PulseAudio sink).
InstallPackages emscripten chromium firefox-esr webkit2gtk-driver libwebkit2gtk-4.1-0 gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good gstreamer1.0-pulseaudio xvfb pulseaudio cmake make pkg-config dpkg-dev
# The browser test needs npm; a Node from outside Debian brings its own and conflicts with Debian's.
command -v npm >/dev/null || InstallPackages nodejs npm

deps_dir=${SIDEWAYS_DEPS_DIR:-$PWD/build/deps}
[[ $deps_dir = /* ]] || deps_dir=$PWD/$deps_dir
prefix=$deps_dir/web
# The same unpacked sources as the Windows libraries use.
sources=$deps_dir/sources
# emcc's optimiser needs acorn, which Debian keeps in its own Node module folder.
export NODE_PATH=/usr/share/nodejs
jobs=${SIDEWAYS_JOBS:-2}

# The page uses SDL for its audio output only (WebGL and the keyboard go through Emscripten's own
# calls), so every other subsystem stays out. Both libraries are optimised for size: the
# mixer's share of a frame is small, and the download is what a visitor waits for.
sdl_options=(-DCMAKE_BUILD_TYPE=MinSizeRel -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_PTHREADS=OFF
             -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF
             -DSDL_POWER=OFF -DSDL_SENSOR=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF
             -DSDL_LOADSO=OFF)
mpt_flags="-Os"
# libopenmpt's list of module formats, cut down to the one the show plays: the loaders of the
# others are then never referenced and stay out of the link.
mpt_formats=XM

sdl_src=$(FetchDebianSource libsdl2 "$sources")
mpt_src=$(FetchDebianSource libopenmpt "$sources")
# sed reads to the end: head would stop emcc with SIGPIPE, which pipefail turns into a failure.
emcc_version=$(emcc --version 2>/dev/null | sed -n 1p)
stamp="sdl2 ${sdl_src##*-} libopenmpt ${mpt_src##*-} ($emcc_version) sdl: ${sdl_options[*]} libopenmpt: $mpt_flags, formats $mpt_formats"
if [[ -f $prefix/.stamp && $(cat "$prefix/.stamp") == "$stamp" ]]; then
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$prefix"

# Runs a build step with its output appended to log $1; on failure shows the log's end and stops.
Step() {
  local log=$1
  shift
  "$@" >>"$log" 2>&1 || { tail -30 "$log" >&2; echo "failed: $* (log: $log)" >&2; exit 1; }
}

echo "Building SDL2 for wasm from $sdl_src"
sdl_build=$deps_dir/build-sdl2
rm -rf "$sdl_build" "$sdl_build.log"
Step "$sdl_build.log" emcmake cmake -S "$sdl_src" -B "$sdl_build" -DCMAKE_INSTALL_PREFIX="$prefix" "${sdl_options[@]}"
Step "$sdl_build.log" nice cmake --build "$sdl_build" -j"$jobs"
Step "$sdl_build.log" cmake --install "$sdl_build"

echo "Building libopenmpt for wasm from $mpt_src"
mpt_build=$deps_dir/build-libopenmpt
rm -rf "$mpt_build" "$mpt_build.log"
cp -a "$mpt_src" "$mpt_build"
loaders=$mpt_build/soundlib/Sndfile.cpp
Step "$mpt_build.log" sed -i -E "/^\s*MPT_DECLARE_FORMAT\(/{/\((${mpt_formats//,/|})\)/!d}" "$loaders"
grep -q "MPT_DECLARE_FORMAT($mpt_formats)" "$loaders" \
  || { echo "libopenmpt's format list in $loaders has changed: no $mpt_formats loader left" >&2; exit 1; }
cd "$mpt_build"
Step "$mpt_build.log" emconfigure ./configure --host=wasm32-unknown-none --prefix="$prefix" \
  --disable-shared --enable-static --disable-openmpt123 --disable-examples --disable-tests \
  --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
  --without-vorbisfile --without-pulseaudio --without-portaudio --without-portaudiocpp \
  --without-sndfile --without-flac CXXFLAGS="$mpt_flags" CFLAGS="$mpt_flags"
Step "$mpt_build.log" nice emmake make -j"$jobs"
Step "$mpt_build.log" emmake make install
cd - >/dev/null

echo "$stamp" >"$prefix/.stamp"
