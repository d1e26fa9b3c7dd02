# The third-party libraries of the cross builds, built as static libraries from Debian's own
# source packages for a host: windows-x86_64 (mingw-w64, posix threads) or web (Emscripten).
# Source it after debian.bash and script.bash; it defines functions only.
#
#   BuildLibraries DEPS HOST PACKAGE...    e.g. BuildLibraries build/deps web libsdl2 libopenmpt
#
# Each library has one recipe, Recipe_PACKAGE (PACKAGE is Debian's source package name), which
# calls CMakeBuild or ConfigureBuild with the library's options for the host in DepsHost. A new
# library is a recipe of a few lines and its name in the callers' lists. A library is installed
# into DEPS/HOST and stamped there with its version and a digest of everything that builds it
# (its recipe, the build functions, the host's flags and toolchain file, the compiler's version):
# a change to any of them builds that library again, and nothing else.

# The settings of host $1, set in the caller's scope (BuildLibrary's locals): the prefix the
# libraries are installed into, the commands that wrap cmake's configure step, configure and make
# (Emscripten's wrappers), CMake's and configure's options, and the compiler whose version goes
# into the stamp. Windows libraries are optimised for speed; the web's for size, because the
# download is what a visitor waits for and the mixer's share of a frame is small.
HostSettings() {
  local scripts
  scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  case $1 in
    windows-x86_64)
      local triple=x86_64-w64-mingw32
      host_toolchain=$scripts/../cmake/windows-x86_64.cmake
      host_cmake_wrap=() host_configure_wrap=() host_make_wrap=()
      host_cmake=(-DCMAKE_TOOLCHAIN_FILE="$host_toolchain" -DSIDEWAYS_WINDOWS_PREFIX="$DepsPrefix"
                  -DCMAKE_BUILD_TYPE=Release)
      host_configure=(--host=$triple CC=$triple-gcc-posix CXX=$triple-g++-posix CFLAGS=-O2 CXXFLAGS=-O2)
      host_compiler=$triple-g++-posix ;;
    web)
      host_toolchain=""
      host_cmake_wrap=(emcmake) host_configure_wrap=(emconfigure) host_make_wrap=(emmake)
      host_cmake=(-DCMAKE_BUILD_TYPE=MinSizeRel)
      host_configure=(--host=wasm32-unknown-none CFLAGS=-Os CXXFLAGS=-Os)
      host_compiler=emcc
      # emcc's optimiser needs acorn, which Debian keeps in its own Node module folder.
      export NODE_PATH=/usr/share/nodejs ;;
    *) echo "unknown host '$1': windows-x86_64 or web" >&2; return 1 ;;
  esac
}

# Step COMMAND...: runs a build step with its output appended to the library's log; on failure
# shows the log's end and says which step failed.
Step() {
  "$@" >>"$DepsLog" 2>&1 && return 0
  tail -n 30 "$DepsLog" >&2
  echo "failed: $* (log: $DepsLog)" >&2
  return 1
}

# CMakeBuild OPTION...: configures the library's source (DepsSource) with CMake for the host,
# builds it and installs it into the host's prefix.
CMakeBuild() {
  local build=$DepsSource-build
  Step "${host_cmake_wrap[@]}" cmake -S "$DepsSource" -B "$build" -DCMAKE_INSTALL_PREFIX="$DepsPrefix" \
      "${host_cmake[@]}" "$@" &&
    Step nice cmake --build "$build" -j"$DepsJobs" &&
    Step cmake --install "$build"
}

# ConfigureBuild OPTION...: builds the library's source (DepsSource) with its configure script
# for the host, in the source folder (a copy of its own), and installs it into the host's prefix.
ConfigureBuild() {
  (cd "$DepsSource" &&
    Step "${host_configure_wrap[@]}" ./configure --prefix="$DepsPrefix" --enable-static --disable-shared \
      "${host_configure[@]}" "$@" &&
    Step nice "${host_make_wrap[@]}" make -j"$DepsJobs" &&
    Step "${host_make_wrap[@]}" make install)
}

# SDL2 with only what the show uses. On Windows: video with OpenGL, audio, events, timers,
# threads, the message box. On the web, audio alone: WebGL and the keyboard go through
# Emscripten's own calls.
Recipe_libsdl2() {
  local options=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL_DOCS=ON
                 -DSDL_RENDER=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF
                 -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF)
  case $DepsHost in
    windows-x86_64) options+=(-DSDL_VULKAN=OFF) ;;
    web) options+=(-DSDL_PTHREADS=OFF -DSDL_VIDEO=OFF -DSDL_FILESYSTEM=OFF -DSDL_LOADSO=OFF) ;;
  esac
  CMakeBuild "${options[@]}"
}

# libopenmpt without its player, examples, tests and every optional codec. On the web its list
# of module formats is cut down to the one the show plays: the other loaders are then never
# referenced and stay out of the link.
Recipe_libopenmpt() {
  if [[ $DepsHost == web ]]; then
    KeepModuleFormats XM || return 1
  fi
  ConfigureBuild --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
    --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile --without-flac
}

# Highway's library (the run-time choice of vector forms; the forms themselves are compiled from
# its headers into the program) without its tests, examples and contrib. The web's is built for
# WebAssembly's 128-bit SIMD, as the page is.
Recipe_highway() {
  local options=(-DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF
                 -DHWY_ENABLE_CONTRIB=OFF -DHWY_ENABLE_INSTALL=ON)
  [[ $DepsHost != web ]] || options+=(-DCMAKE_CXX_FLAGS=-msimd128)
  CMakeBuild "${options[@]}"
}

# KeepModuleFormats FORMAT[,FORMAT...]: removes every other format from libopenmpt's list of
# loaders; fails when the list no longer has the shape this expects.
KeepModuleFormats() {
  local loaders=$DepsSource/soundlib/Sndfile.cpp
  Step sed -i -E "/^\s*MPT_DECLARE_FORMAT\(/{/\((${1//,/|})\)/!d}" "$loaders" || return 1
  grep -q "MPT_DECLARE_FORMAT(${1%%,*})" "$loaders" ||
    { echo "libopenmpt's format list in $loaders has changed: no ${1%%,*} loader left" >&2; return 1; }
}

# BuildLibrary DEPS HOST PACKAGE: builds Debian's source package PACKAGE for HOST with its recipe
# into DEPS/HOST, unless its stamp there says it is built already from the same version and
# recipe. The source is unpacked once under DEPS/sources (every host shares it) and built in a
# copy of its own, which is removed when the build succeeds; the log stays beside it.
BuildLibrary() {
  local deps=$1 DepsHost=$2 package=$3
  local DepsPrefix=$deps/$2 DepsJobs DepsSource DepsLog version digest source
  local host_toolchain host_cmake_wrap host_configure_wrap host_make_wrap host_cmake host_configure host_compiler
  declare -F "Recipe_$package" >/dev/null || { echo "no recipe for $package" >&2; return 1; }
  HostSettings "$DepsHost" || return 1
  DepsJobs=$(Jobs) || return 1
  version=$(DebianSourceVersion "$package") || return 1
  # sed reads to the end: head would stop the compiler with SIGPIPE.
  digest=$({
    declare -f "Recipe_$package" HostSettings Step CMakeBuild ConfigureBuild KeepModuleFormats
    [[ -z $host_toolchain ]] || cat "$host_toolchain"
    "$host_compiler" --version 2>/dev/null | sed -n 1p
  } | md5sum | cut -c1-12)
  local stamp=$DepsPrefix/.built-$package
  [[ -f $stamp && $(cat "$stamp") == "$version $digest" ]] && return 0
  source=$(FetchDebianSource "$package" "$deps/sources") || return 1
  echo "Building $package $version for $DepsHost"
  local work=$deps/build-$DepsHost
  DepsSource=$work/$package DepsLog=$work/$package.log
  rm -rf "$DepsSource" "$DepsSource-build" "$DepsLog" "$stamp"
  mkdir -p "$work" "$DepsPrefix"
  cp -a "$source" "$DepsSource"
  "Recipe_$package" || return 1
  rm -rf "$DepsSource" "$DepsSource-build"
  echo "$version $digest" >"$stamp"
}

# BuildLibraries DEPS HOST PACKAGE...: BuildLibrary for each package, in order.
BuildLibraries() {
  local deps=$1 host=$2 package
  shift 2
  mkdir -p "$deps"
  deps=$(cd "$deps" && pwd)
  for package in "$@"; do
    BuildLibrary "$deps" "$host" "$package" || return 1
  done
}

# DepsDir: the deps folder, ${SIDEWAYS_DEPS_DIR:-build/deps} as an absolute path, made if needed.
DepsDir() {
  local dir=${SIDEWAYS_DEPS_DIR:-build/deps}
  mkdir -p "$dir" && (cd "$dir" && pwd)
}
