# The Windows cross toolchain and the static SDL2 and libopenmpt for x86_64-w64-mingw32, built
# from Debian's own source packages. Source it after debian.bash; it defines functions only.

WindowsTriple=x86_64-w64-mingw32

# Installs the cross compiler (posix thread model: std::thread and std::mutex need it), zlib for
# the capture's PNGs, Wine and the tools the library builds use.
InstallWindowsToolchain() {
  InstallPackages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    mingw-w64-x86-64-dev libz-mingw-w64-dev wine wine64 cmake make pkg-config autoconf automake libtool zip
}

# Writes a CMake toolchain file for the cross compiler into $1.
WriteMingwToolchain() {
  cat >"$1" <<TOOLCHAIN
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $WindowsTriple-gcc-posix)
set(CMAKE_CXX_COMPILER $WindowsTriple-g++-posix)
set(CMAKE_RC_COMPILER $WindowsTriple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$WindowsTriple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TOOLCHAIN
}

# Builds static SDL2 and libopenmpt for Windows into prefix $1 (with a pkg-config folder) from
# Debian's sources unpacked under $2. A stamp naming both versions skips the work next time.
BuildWindowsLibraries() {
  local prefix=$1 sources=$2
  local sdl_version openmpt_version stamp
  sdl_version=$(SourceVersion libsdl2)
  openmpt_version=$(SourceVersion libopenmpt)
  stamp="$prefix/.built-sdl2-$sdl_version-libopenmpt-$openmpt_version"
  if [[ -n $sdl_version && -n $openmpt_version && -f $stamp ]]; then
    echo "Windows libraries up to date: SDL2 $sdl_version, libopenmpt $openmpt_version"
    return 0
  fi
  local sdl_src openmpt_src
  sdl_src=$(FetchDebianSource libsdl2 "$sources")
  openmpt_src=$(FetchDebianSource libopenmpt "$sources")
  sdl_version=$(SourceVersion libsdl2)
  openmpt_version=$(SourceVersion libopenmpt)
  stamp="$prefix/.built-sdl2-$sdl_version-libopenmpt-$openmpt_version"
  [[ -f $stamp ]] && return 0

  local jobs=${SIDEWAYS_JOBS:-2} work="$sources/build-windows"
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  WriteMingwToolchain "$work/mingw.cmake"

  echo "Building SDL2 $sdl_version for Windows"
  cmake -S "$sdl_src" -B "$work/sdl2" -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON >"$work/sdl2.log" 2>&1 \
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
