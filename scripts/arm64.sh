#!/usr/bin/env bash
# The show for arm64 (the Raspberry Pi's system), cross-built on this amd64 machine with Debian's
# multiarch and tested under qemu: the unit tests with the golden frames, the sound layer and the
# soundtrack's checks, then raw captures of the rings (order 9) and of the rings, rotozoomer and
# tunnel (orders 18 to 20) compared byte for byte with the amd64 build's.
#   scripts/arm64.sh            build and test
#   scripts/arm64.sh --build    build only
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
ParseFlags "scripts/arm64.sh [--build]" --build=build_only -- "$@"
jobs=$(Jobs)
scripts/install-deps.sh --tests --arm64
cmake --preset arm64 >/dev/null
nice cmake --build --preset arm64 -j"$jobs"
$build_only && exit 0
# The sound layer's muted clock is checked against the wall clock, which an emulated processor
# cannot keep up with; every other test runs.
GTEST_FILTER=-SoundLayer.StartsWhereItWasMovedAtOnceAndLeadsByANegativeDelayWithoutOutput ctest --preset arm64

# The amd64 capture to compare with.
if [[ ! -x build/release/sideways-capture ]]; then
  cmake --preset release >/dev/null
  nice cmake --build --preset release -j"$jobs" --target sideways-capture
fi
work=$(mktemp -d)
OnExit 'rm -rf "$work"'
for stretch in "9 9" "18 20"; do
  read -r from to <<<"$stretch"
  build/release/sideways-capture --from "$from" --to "$to" --raw "$work/amd64-$from"
  qemu-aarch64-static build/arm64/sideways-capture --from "$from" --to "$to" --raw "$work/arm64-$from"
  if ! diff -r "$work/amd64-$from" "$work/arm64-$from" >/dev/null; then
    echo "FAIL: orders $from to $to: the arm64 capture differs from the amd64 one:" >&2
    diff -rq "$work/amd64-$from" "$work/arm64-$from" | head -5 >&2
    exit 1
  fi
  echo "orders $from to $to: $(ls "$work/arm64-$from" | wc -l) files, the same bytes on arm64 as on amd64"
done
