#!/bin/bash
# The committed pictures, textures and scroll text are exactly what the painters make: painting
# afresh gives the same pixels and the same text.
# Usage: assets_match_their_painters.sh BUILD_DIR SOURCE_DIR
set -u
"$1/tools/art/paint" --check "$2/assets"
