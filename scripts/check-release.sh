#!/usr/bin/env bash
# Installs the Debian packages into pristine Debian roots, as a user receives them, and checks
# them there: `apt install ./sideways_VERSION_ARCH.deb` and nothing else, then the package's own
# tests (debian/tests, run by autopkgtest against the installed package: --version and --help, a
# capture the same bytes as the golden frames, the show under Xvfb ended by Escape), then
# `apt purge` leaving no file of ours behind. arm64 roots run through qemu-user-static.
#   scripts/check-release.sh [SUITE-ARCH...]   default: bookworm-amd64 trixie-amd64 bookworm-arm64 trixie-arm64
# The packages are build/deb/sideways_VERSION_ARCH.deb, made by scripts/deb.sh [arm64] when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/debian.bash
source scripts/lib/root.bash
source scripts/lib/release.bash
ParseFlags "scripts/check-release.sh [SUITE-ARCH...]" @roots -- "$@"
[[ ${#roots[@]} -gt 0 ]] || roots=(bookworm-amd64 trixie-amd64 bookworm-arm64 trixie-arm64)
InstallPackages debootstrap qemu-user-static
version=$(ReleaseVersion)

work=$(mktemp -d /var/tmp/sideways-check-XXXXXX)
root=""
finish() {
  [[ -n $root ]] && RemoveRoot "$root"
  rm -rf "$work"
}
OnExit finish
fail() { Fail "$suite $arch: $*"; }
seconds() { echo $(($(date +%s) - $1)); }

# The tests' source: the committed files, as autopkgtest reads them from a source package.
git archive --format=tar --prefix=src/ HEAD | tar -C "$work" -xf -

for target in "${roots[@]}"; do
  suite=${target%-*} arch=${target#*-}
  deb=build/deb/sideways_${version}_$arch.deb
  if [[ ! -f $deb ]]; then
    if [[ $arch == "$(dpkg --print-architecture)" ]]; then scripts/deb.sh; else scripts/deb.sh "$arch"; fi
  fi
  root=$work/root-$target
  start=$(date +%s)
  MakeRoot "$root" "$suite" "$arch"
  made=$(seconds "$start")

  # The install a user makes: the package file alone, apt working out the rest.
  AsRoot cp "$deb" "$root/tmp/"
  start=$(date +%s)
  before=$(InRoot "$root" dpkg-query -W -f '${Package}\n' | wc -l)
  InRoot "$root" apt-get update -qq
  InRoot "$root" apt-get install -y -qq "./tmp/$(basename "$deb")" >"$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "apt install of the package failed"; }
  installed=$(($(InRoot "$root" dpkg-query -W -f '${Package}\n' | wc -l) - before))
  took=$(seconds "$start")

  # The package's tests, as Debian's CI runs them: autopkgtest in the root itself (null
  # virtualisation), which installs each test's dependencies.
  InRoot "$root" apt-get install -y -qq --no-install-recommends autopkgtest >"$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "apt install of autopkgtest failed"; }
  AsRoot cp -a "$work/src" "$root/tmp/src"
  start=$(date +%s)
  InRoot "$root" autopkgtest --output-dir=/tmp/autopkgtest "./tmp/$(basename "$deb")" /tmp/src -- null \
    >"$work/autopkgtest.log" 2>&1 ||
    { tail -40 "$work/autopkgtest.log" >&2; fail "autopkgtest failed"; }
  tested=$(seconds "$start")
  summary=$(AsRoot cat "$root/tmp/autopkgtest/summary" | awk '{ printf "%s%s %s", sep, $1, $2; sep = ", " }')

  # Purged, nothing of ours is left: not one file the package installed, nor its folders.
  InRoot "$root" dpkg-query -L sideways >"$work/files"
  InRoot "$root" apt-get purge -y -qq sideways >/dev/null
  left=$(while read -r f; do
    if [[ -f $root$f || -L $root$f || ( -d $root$f && $f == *sideways* ) ]]; then echo "$f"; fi
  done <"$work/files")
  left+=$(find "$root" -xdev \( -path "$root/tmp" -o -path "$root/proc" -o -path "$root/sys" -o -path "$root/dev" \) -prune \
    -o -name '*sideways*' -print | sed "s|^$root||")
  [[ -z $left ]] || fail "left after purge: $left"

  RemoveRoot "$root"
  root=""
  echo "$suite $arch: root made in $made s; installed with $installed packages in $took s ($(stat -c %s "$deb") bytes);" \
    "autopkgtest ($summary): $tested s; purged clean"
done
