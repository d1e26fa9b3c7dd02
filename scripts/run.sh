#!/usr/bin/env bash
# Installs what the demo needs, builds the demo alone and runs it. Escape ends the show.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
# Its arguments are the show's own options, passed on as they are.
jobs=$(Jobs)
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs" --target sideways
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "sideways is built (build/release/sideways) but there is no display to show it on:" >&2
  echo "neither DISPLAY nor WAYLAND_DISPLAY is set. Run it from a graphical session," >&2
  echo "or render the show to video with build/release/sideways-capture (see README.md)." >&2
  exit 1
fi
exec build/release/sideways "$@"
