#!/usr/bin/env bash
# Builds the Debian package of the working tree's committed files, its unit tests run by the
# build, and checks it: lintian, desktop-file-validate and appstreamcli. The package is written
# to build/deb/.
#   scripts/deb.sh            for this machine (amd64)
#   scripts/deb.sh arm64      cross-built with Debian's multiarch, its build-time tools run by qemu
#                             (the cross profile); its tests run under qemu in scripts/arm64.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/release.bash
usage="scripts/deb.sh [arm64]"
ParseFlags "$usage" @args -- "$@"
arch=${args[0]:-$(dpkg --print-architecture)}
if [[ ${#args[@]} -gt 1 || ( $arch != "$(dpkg --print-architecture)" && $arch != arm64 ) ]]; then
  echo "usage: $usage" >&2
  exit 2
fi
if [[ $arch == "$(dpkg --print-architecture)" ]]; then
  scripts/install-deps.sh --package
else
  scripts/install-deps.sh --package --arm64
fi
jobs=$(Jobs)

# The package is built from a copy of the files git tracks, in a fixed folder, so that nothing
# built lands in the tree and two builds of one commit see the same paths.
version=$(ReleaseVersion)
work=$PWD/build/deb/$arch
rm -rf "$work"
mkdir -p "$work/sideways-$version"
git ls-files -z | tar --null -T - -cf - | tar -C "$work/sideways-$version" -xf -
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# The caller's DEB_BUILD_OPTIONS (nocheck, say) are kept; the job count is added.
options="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=$jobs" profiles=""
if [[ $arch != "$(dpkg --print-architecture)" ]]; then
  options+=" nocheck" profiles=-Pcross,nocheck
fi
start=$SECONDS
(cd "$work/sideways-$version" &&
  DEB_BUILD_OPTIONS=$options nice dpkg-buildpackage -b -us -uc -a"$arch" $profiles \
    >"$work/build.log" 2>&1) || { tail -n 40 "$work/build.log" >&2; echo "dpkg-buildpackage failed; the log: $work/build.log" >&2; exit 1; }
tests=$(grep -E '^[0-9]+% tests passed' "$work/build.log" || echo "tests not run")
echo "dpkg-buildpackage: $((SECONDS - start)) s ($tests)"
deb=$work/sideways_${version}_$arch.deb
[[ -f $deb ]] || { echo "no $deb after the build" >&2; exit 1; }
CheckPackage "$deb"
mkdir -p build/deb
cp "$deb" build/deb/
echo "build/deb/$(basename "$deb"): $(stat -c %s "$deb") bytes"
