# The Windows cross toolchain and the static SDL2 and libopenmpt for x86_64-w64-mingw32, built
# from Debian's own source packages. Source it after debian.bash; it defines functions only.

WindowsTriple=x86_64-w64-mingw32

# Installs the cross compiler (posix thread model: std::thread and std::mutex need it), zlib for
# the capture's PNGs, Wine and the tools the library builds use.
InstallWindowsToolchain() {
  InstallPackages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    mingw-w64-x86-64-dev libz-mingw-w64-dev wine wine64 cmake make pkg-config autoconf automake libtool zip
}

# Builds static SDL2 and libopenmpt for Windows from Debian's sources into $1/windows-x86_64
# (with a pkg-config folder), for deps folder $1; SDL2 with only what the show uses (video with
# OpenGL, audio, events, timers, threads, the message box). A stamp skips the work next time.
BuildWindowsLibraries() {
  local deps=$1 sdl_version openmpt_version
  sdl_version=$(DebianSourceVersion libsdl2) || return 1
  openmpt_version=$(DebianSourceVersion libopenmpt) || return 1
  local prefix="$deps/windows-x86_64" toolchain recipe
  toolchain=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../cmake" && pwd)/windows-x86_64.cmake
  # The stamp names the versions and a digest of this recipe and the toolchain file, so that a
  # change to either builds the libraries again.
  recipe=$({ declare -f BuildWindowsLibraries; grep -v "^#" "$toolchain"; } | md5sum | cut -c1-8)
  local stamp="$prefix/.built-sdl2-$sdl_version-libopenmpt-$openmpt_version-$recipe"
  if [[ -f $stamp ]]; then
    echo "Windows libraries up to date: SDL2 $sdl_version, libopenmpt $openmpt_version"
    return 0
  fi
  local sdl_src openmpt_src
  sdl_src=$(FetchDebianSource libsdl2 "$deps/sources") || return 1
  openmpt_src=$(FetchDebianSource libopenmpt "$deps/sources") || return 1

  local jobs=${SIDEWAYS_JOBS:-2} work="$deps/build-windows"
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  echo "Building SDL2 $sdl_version for Windows"
  cmake -S "$sdl_src" -B "$work/sdl2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DSIDEWAYS_WINDOWS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON \
    -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
    -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_VULKAN=OFF >"$work/sdl2.log" 2>&1 \
    || { tail -30 "$work/sdl2.log" >&2; return 1; }
  nice cmake --build "$work/sdl2" -j"$jobs" >>"$work/sdl2.log" 2>&1 \
    && cmake --install "$work/sdl2" >>"$work/sdl2.log" 2>&1 \
    || { tail -30 "$work/sdl2.log" >&2; return 1; }

  echo "Building libopenmpt $openmpt_version for Windows"
  mkdir -p "$work/openmpt"
  (cd "$work/openmpt" && "$openmpt_src/configure" --host=$WindowsTriple --prefix="$prefix" \
      --enable-static --disable-shared --disable-openmpt123 --disable-examples --disable-tests \
      --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
      --without-vorbisfile --without-portaudio --without-portaudiocpp --without-pulseaudio \
      --without-sndfile --without-flac CC=$WindowsTriple-gcc-posix CXX=$WindowsTriple-g++-posix \
      CFLAGS=-O2 CXXFLAGS=-O2 \
    && nice make -j"$jobs" && make install) >"$work/openmpt.log" 2>&1 \
    || { tail -30 "$work/openmpt.log" >&2; return 1; }

  rm -rf "$work"
  touch "$stamp"
}
