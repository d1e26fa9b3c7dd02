#!/usr/bin/env bash
# Builds the show as a web page into build/web (sideways.html, .js, .wasm) and tests it in
# headless Chromium. Installs what is missing first; SDL2 and libopenmpt for wasm are built once,
# under ${SIDEWAYS_DEPS_DIR:-build/deps}/web.
#   scripts/web.sh           build and test, stopping the show early with Escape
#   scripts/web.sh --whole   also play the whole show to its end (two minutes)
#   scripts/web.sh --build   build only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/web-deps.sh
export NODE_PATH=/usr/share/nodejs

# The asset converter runs at build time, so it comes from the host build; so does the desktop
# capture the test compares the page's picture with.
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target embed sideways-capture
cmake --preset web >/dev/null
cmake --build --preset web -j"$(nproc)"
[[ ${1:-} == --build ]] && exit 0

reference=$(mktemp -d)
trap 'rm -rf "$reference"' EXIT
build/release/sideways-capture --from 10 --to 10 --fps 1 --png "$reference" --raw "$reference" >/dev/null
(cd tests/web && npm ci --no-audit --no-fund --silent)
node tests/web/browser_test.mjs build/web "$reference" "$@"
