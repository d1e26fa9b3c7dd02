#!/usr/bin/env bash
# The layers' includes point down, read from the sources: nothing below the show's driver
# (bytes, frame, assets, effects, display, sound, compose, files, flash, show) includes app/ or anything above
# it; the offline show includes no capture or platform code; a platform includes no other
# platform's files (the SDL sound layer, platform/sdl_sound, is the one all may share) and its
# CMake file compiles no other folder's source; and only src/platform/ includes SDL, OpenGL or
# Emscripten. Checked against a planted bad include too, so the check cannot pass by reading
# nothing.
source "$(dirname "$0")/lib/common.bash"

# Prints "file: include" for every include under $1 (a copy of src/) that breaks a rule.
wrong_includes() {
  local src=$1 dir own
  for dir in bytes frame assets effects display sound compose files flash show; do
    grep -HnE '#include "(app|offline|capture|platform)/' "$src/$dir"/* 2>/dev/null || true
  done
  grep -HnE '#include "(capture|platform)/' "$src"/offline/* "$src"/app/* || true
  for dir in "$src"/platform/*/; do
    own=$(basename "$dir")
    grep -HnE '#include "platform/' "$dir"* | grep -vE "#include \"platform/($own|sdl_sound)/" || true
    grep -HnE 'src/platform/|\.\./' "$dir"CMakeLists.txt 2>/dev/null || true
  done
  grep -rHnE '#include <(SDL|GL/|emscripten)' "$src" | grep -v "^$src/platform/" || true
}

found=$(wrong_includes "$SOURCE_DIR/src")
[[ -z "$found" ]] || fail "includes that point up or sideways:"$'\n'"$found"

cp -r "$SOURCE_DIR/src" "$TMP/src"
echo '#include "app/driver.h"' >>"$TMP/src/effects/rings.cpp"
echo '#include "platform/sdl/display.h"' >>"$TMP/src/platform/web/display.cpp"
echo '#include <SDL.h>' >>"$TMP/src/frame/frame.cpp"
found=$(wrong_includes "$TMP/src")
for planted in 'effects/rings.cpp:.*app/driver.h' 'web/display.cpp:.*platform/sdl/display.h' 'frame/frame.cpp:.*SDL.h'; do
  grep -qE "$planted" <<<"$found" || fail "the planted include $planted was not found: $found"
done
echo "every include points down or within its own platform"
