#!/bin/bash
# The committed pictures, textures and scroll text are exactly what the painters make: painting
# afresh gives the same bytes for every pixel (low bits included) and the same text. The check
# itself must notice a changed file.
# Usage: assets_match_their_painters.sh BUILD_DIR SOURCE_DIR
set -u
paint=$1/tools/art/paint
assets=$2/assets
if ! "$paint" --check "$assets"; then
    echo "FAIL: the committed assets differ from what the painters make"
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$assets/roto.png" "$work/tunnel.png"
cp "$assets/scroll.txt" "$work/scroll.txt"
sed -i '20s/e/a/' "$work/scroll.txt"
if "$paint" --check "$work" tunnel.png scroll.txt 2>"$work/stderr"; then
    echo "FAIL: the check accepted a changed texture and text"
    exit 1
fi
for name in tunnel.png scroll.txt; do
    if ! grep -q "$name differs" "$work/stderr"; then
        echo "FAIL: the check did not name $name:"; cat "$work/stderr"
        exit 1
    fi
done
echo "the committed assets are what the painters make"
