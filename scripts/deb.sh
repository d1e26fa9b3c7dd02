#!/usr/bin/env bash
# Builds the Debian package of the working tree's committed files and checks it: lintian,
# desktop-file-validate and appstreamcli. The package is written to build/deb/.
#   scripts/deb.sh            for this machine (amd64)
#   scripts/deb.sh arm64      cross-built with Debian's multiarch, its build-time tools run by qemu
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(dpkg --print-architecture)}
if [[ $arch == "$(dpkg --print-architecture)" ]]; then
  scripts/install-deps.sh --package
else
  [[ $arch == arm64 ]] || { echo "usage: scripts/deb.sh [arm64]" >&2; exit 2; }
  scripts/install-deps.sh --package --arm64
fi
source scripts/lib/release.bash

# The package is built from a copy of the files git tracks, in a fixed folder, so that nothing
# built lands in the tree and two builds of one commit see the same paths.
version=$(ReleaseVersion)
work=$PWD/build/deb/$arch
rm -rf "$work"
mkdir -p "$work/sideways-$version"
git ls-files -z | tar --null -T - -cf - | tar -C "$work/sideways-$version" -xf -
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
(cd "$work/sideways-$version" &&
  DEB_BUILD_OPTIONS="nocheck parallel=${SIDEWAYS_JOBS:-2}" nice dpkg-buildpackage -b -us -uc -a"$arch" \
    >"$work/build.log" 2>&1) || { tail -n 40 "$work/build.log" >&2; echo "dpkg-buildpackage failed; the log: $work/build.log" >&2; exit 1; }
deb=$work/sideways_${version}_$arch.deb
[[ -f $deb ]] || { echo "no $deb after the build" >&2; exit 1; }
CheckPackage "$deb"
mkdir -p build/deb
cp "$deb" build/deb/
echo "build/deb/$(basename "$deb"): $(stat -c %s "$deb") bytes"
