#!/usr/bin/env bash
# Installs the Debian packages into pristine Debian roots, as a user receives them, and checks
# them there: `apt install ./sideways_VERSION_ARCH.deb` and nothing else, --version and --help,
# a raw capture the same bytes as the amd64 package's on this machine, the demo started under
# Xvfb and ended by Escape with 0, and `apt purge` leaving no file of ours behind. arm64 roots run
# through qemu-user-static.
#   scripts/check-release.sh [SUITE-ARCH...]   default: bookworm-amd64 trixie-amd64 bookworm-arm64 trixie-arm64
# The packages are build/deb/sideways_VERSION_ARCH.deb, made by scripts/deb.sh [arm64] when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian.bash
source scripts/lib/root.bash
source scripts/lib/release.bash
source scripts/lib/xvfb.bash
InstallPackages debootstrap qemu-user-static xvfb xdotool x11-utils
version=$(ReleaseVersion)
roots=("$@")
[[ ${#roots[@]} -gt 0 ]] || roots=(bookworm-amd64 trixie-amd64 bookworm-arm64 trixie-arm64)

work=$(mktemp -d /var/tmp/sideways-check-XXXXXX)
root=""
finish() {
  [[ -n $root ]] && RemoveRoot "$root"
  StopXvfb
  rm -rf "$work"
}
trap finish EXIT INT TERM
fail() { echo "FAIL ($suite $arch): $*" >&2; exit 1; }
seconds() { echo $(($(date +%s) - $1)); }

# The capture every root must reproduce: the amd64 package's program, run here.
[[ -f build/deb/sideways_${version}_amd64.deb ]] || scripts/deb.sh
dpkg-deb -x "build/deb/sideways_${version}_amd64.deb" "$work/amd64"
"$work/amd64/usr/games/sideways-capture" --from 5 --to 5 --raw "$work/expected" 2>/dev/null

# One X server for every root: its socket is bound into each root, and xdotool works from here.
StartXvfb 1280x720

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
  start=$(date +%s)

  games=/usr/games
  [[ $(InRoot "$root" $games/sideways --version) == "sideways $version" ]] || fail "--version: $(InRoot "$root" $games/sideways --version)"
  InRoot "$root" $games/sideways --help | grep -q -- '--audio-offset' || fail "--help does not list the options"
  InRoot "$root" $games/sideways-capture --from 5 --to 5 --raw /tmp/raw 2>"$work/capture.log" ||
    fail "sideways-capture: $(cat "$work/capture.log")"
  diff -r "$work/expected" "$root/tmp/raw" >/dev/null ||
    fail "the capture differs from the amd64 package's: $(diff -rq "$work/expected" "$root/tmp/raw" | head -3)"

  # The show in the root, on this Xvfb, without sound hardware; Escape ends it with 0.
  AsRoot mkdir -p "$root/tmp/.X11-unix"
  AsRoot mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  InRoot "$root" env DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy $games/sideways 2>"$work/show.log" &
  show=$!
  window=""
  for _ in $(seq 600); do
    window=$(xdotool search --name '^sideways$' 2>/dev/null | head -n1) && [[ -n $window ]] && break
    kill -0 "$show" 2>/dev/null || break
    sleep 0.1
  done
  [[ -n $window ]] || { kill "$show" 2>/dev/null || true; fail "no window: $(cat "$work/show.log")"; }
  sleep 2
  xdotool windowfocus --sync "$window" key Escape
  for _ in $(seq 300); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$show" 2>/dev/null; then kill "$show" || true; fail "the show did not end on Escape"; fi
  code=0; wait "$show" || code=$?
  [[ $code -eq 0 ]] || fail "the show ended with $code: $(cat "$work/show.log")"
  AsRoot umount "$root/tmp/.X11-unix"
  checked=$(seconds "$start")

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
    "version, help, capture (same bytes as amd64), show under Xvfb ended by Escape: $checked s; purged clean"
done
