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
