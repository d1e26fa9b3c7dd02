#!/usr/bin/env bash
# Installs the web build's tools from Debian and builds SDL2 and libopenmpt from Debian's source
# packages as static WebAssembly libraries under ${SIDEWAYS_DEPS_DIR:-build/deps}/web. A stamp
# naming both versions makes a second run return at once.
#   scripts/web-deps.sh   prints nothing but what it installs or builds
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian.bash

InstallPackages emscripten chromium cmake make pkg-config dpkg-dev
# The browser test needs npm; a Node from outside Debian brings its own and conflicts with Debian's.
command -v npm >/dev/null || InstallPackages nodejs npm

deps_dir=${SIDEWAYS_DEPS_DIR:-$PWD/build/deps}
[[ $deps_dir = /* ]] || deps_dir=$PWD/$deps_dir
prefix=$deps_dir/web
src_dir=$deps_dir/src
# emcc's optimiser needs acorn, which Debian keeps in its own Node module folder.
export NODE_PATH=/usr/share/nodejs
jobs=${SIDEWAYS_JOBS:-2}

sdl_src=$(FetchDebianSource libsdl2 "$src_dir")
mpt_src=$(FetchDebianSource libopenmpt "$src_dir")
# sed reads to the end: head would stop emcc with SIGPIPE, which pipefail turns into a failure.
emcc_version=$(emcc --version 2>/dev/null | sed -n 1p)
stamp="sdl2 ${sdl_src##*-} libopenmpt ${mpt_src##*-} ($emcc_version)"
if [[ -f $prefix/.stamp && $(cat "$prefix/.stamp") == "$stamp" ]]; then
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$prefix"

echo "Building SDL2 for wasm from $sdl_src"
sdl_build=$deps_dir/build-sdl2
rm -rf "$sdl_build"
emcmake cmake -S "$sdl_src" -B "$sdl_build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
  -DSDL_PTHREADS=OFF >"$sdl_build.log" 2>&1 || { tail -30 "$sdl_build.log"; exit 1; }
nice cmake --build "$sdl_build" -j"$jobs" >>"$sdl_build.log" 2>&1 || { tail -30 "$sdl_build.log"; exit 1; }
cmake --install "$sdl_build" >>"$sdl_build.log" 2>&1 || { tail -30 "$sdl_build.log"; exit 1; }

echo "Building libopenmpt for wasm from $mpt_src"
mpt_build=$deps_dir/build-libopenmpt
rm -rf "$mpt_build"
cp -a "$mpt_src" "$mpt_build"
(
  cd "$mpt_build"
  emconfigure ./configure --host=wasm32-unknown-none --prefix="$prefix" \
    --disable-shared --enable-static --disable-openmpt123 --disable-examples --disable-tests \
    --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
    --without-vorbisfile --without-pulseaudio --without-portaudio --without-portaudiocpp \
    --without-sndfile --without-flac \
    CXXFLAGS="-O2" CFLAGS="-O2" >"$mpt_build.log" 2>&1
  nice emmake make -j"$jobs" >>"$mpt_build.log" 2>&1
  emmake make install >>"$mpt_build.log" 2>&1
) || { tail -30 "$mpt_build.log"; exit 1; }

echo "$stamp" >"$prefix/.stamp"
