#!/usr/bin/env bash
# Installs the Windows cross toolchain and Wine, and builds static SDL2, libopenmpt and Highway for
# x86_64-w64-mingw32 from Debian's source packages into
# ${SIDEWAYS_DEPS_DIR:-build/deps}/windows-x86_64 (each skipped when already built by the same
# version and recipe).
#   scripts/deps-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/debian.bash
source scripts/lib/recipes.bash
ParseFlags "scripts/deps-windows.sh" -- "$@"
# The cross compiler (posix thread model: std::thread and std::mutex need it), zlib for the
# capture's PNGs, Wine and the tools the library builds use.
InstallPackages g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  mingw-w64-x86-64-dev libz-mingw-w64-dev wine wine64 cmake make pkg-config autoconf automake libtool zip
BuildLibraries "$(DepsDir)" windows-x86_64 libsdl2 libopenmpt highway
