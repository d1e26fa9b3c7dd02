#!/usr/bin/env bash
# Installs the Windows cross toolchain and Wine, and builds static SDL2 and libopenmpt for
# x86_64-w64-mingw32 from Debian's source packages into
# ${SIDEWAYS_DEPS_DIR:-build/deps}/windows-x86_64 (skipped when already built for these versions).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian.bash
source scripts/lib/windows-deps.bash
deps=${SIDEWAYS_DEPS_DIR:-$PWD/build/deps}
mkdir -p "$deps"
deps=$(cd "$deps" && pwd)
InstallWindowsToolchain
BuildWindowsLibraries "$deps"
