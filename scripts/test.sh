#!/usr/bin/env bash
# Installs everything, builds everything and runs every test (unit and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
ParseFlags "scripts/test.sh" -- "$@"
jobs=$(Jobs)
scripts/install-deps.sh --tests
cmake --preset release -DSIDEWAYS_TESTS=ON -DSIDEWAYS_BENCH=ON >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release -j"$jobs"
# ctest lists what it skipped; each test said why in its output, which ctest keeps in its log.
awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 } /^skipped: / { print "  " name ": " $0 }' \
  build/release/Testing/Temporary/LastTest.log
