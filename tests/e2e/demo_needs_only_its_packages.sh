#!/usr/bin/env bash
# scripts/run.sh installs only the demo's packages and builds only the demo, scripts/test.sh
# installs the rest, and the demo configures without the test libraries: what a fresh machine
# would show, tried here with apt-get and cmake stubbed out and the test libraries hidden.
source "$(dirname "$0")/lib/common.bash"

# Stubs that record what the scripts ask for; dpkg-query reports every package as missing.
mkdir -p "$TMP/bin"
for tool in apt-get cmake ctest; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$TMP/calls" >"$TMP/bin/$tool"
done
printf '#!/bin/sh\nexit 1\n' >"$TMP/bin/dpkg-query"
printf '#!/bin/sh\nexec "$@"\n' >"$TMP/bin/sudo"
chmod +x "$TMP/bin"/*

installed() {  # the packages the script $1 installs, one a line, sorted
  : >"$TMP/calls"
  env -u DISPLAY -u WAYLAND_DISPLAY PATH="$TMP/bin:$PATH" bash "$SOURCE_DIR/scripts/$1" >/dev/null 2>&1 || true
  grep -E '^apt-get( .*)? install ' "$TMP/calls" | sed 's/^.* install //' | tr ' ' '\n' | grep -v -e '^-' -e '^$' | sort
}
demo=$(installed run.sh)
grep -q -- '--build .*--target sideways$' "$TMP/calls" || fail "run.sh builds more than the demo: $(cat "$TMP/calls")"
all=$(installed test.sh)
[[ -n $demo ]] || fail "run.sh installs nothing"
for p in xfonts-base libsdl2-dev libopenmpt-dev; do
  grep -qx "$p" <<<"$demo" || fail "run.sh does not install $p"
done
for p in libgtest-dev libbenchmark-dev libxmp-dev xvfb ffmpeg; do
  grep -qx "$p" <<<"$demo" && fail "run.sh installs the test package $p"
  grep -qx "$p" <<<"$all" || fail "test.sh does not install $p"
done
extra=$(comm -23 <(echo "$demo") <(echo "$all"))
[[ -z $extra ]] || fail "test.sh leaves out demo packages: $extra"

# The demo configures with GoogleTest, Google Benchmark and libxmp out of sight, and leaves the
# tests and benchmarks out.
printf '#!/bin/sh\ncase "$*" in *xmp*) exit 1 ;; esac\nexec pkg-config "$@"\n' >"$TMP/pkg-config"
chmod +x "$TMP/pkg-config"
cmake -S "$SOURCE_DIR" -B "$TMP/build" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DPKG_CONFIG_EXECUTABLE="$TMP/pkg-config" >"$TMP/configure" 2>&1 ||
  fail "the demo does not configure without the test libraries: $(tail -n 20 "$TMP/configure")"
grep -q "Tests left out" "$TMP/configure" || fail "no word that the tests were left out"
grep -q "Benchmarks left out" "$TMP/configure" || fail "no word that the benchmarks were left out"
cmake --build "$TMP/build" --target help >"$TMP/targets"
grep -q '\.\.\. sideways$' "$TMP/targets" || fail "no demo target"
grep -q 'sideways-tests' "$TMP/targets" && fail "the tests are built without GoogleTest"
echo "ok: run.sh installs $(wc -l <<<"$demo") packages, test.sh $(wc -l <<<"$all"); the demo configures alone"
