#!/bin/bash
# The asset converter stops the build on a broken asset: it exits non-zero with a message naming
# the file and the rule it breaks, and writes nothing.
# Usage: embed_refuses_broken_assets.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
source=$2
embed=$build/tools/embed/embed
assets=$source/assets
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs embed with the committed assets, any of them replaced by NAME=FILE arguments.
run() {
    local -A file=([warning]=$assets/warning.png [logo]=$assets/logo.png [scroller]=$assets/scroller.png
                   [roto]=$assets/roto.png [tunnel]=$assets/tunnel.png [text]=$assets/scroll.txt
                   [music]=$assets/music.xm)
    for swap in "$@"; do file[${swap%%=*}]=${swap#*=}; done
    rm -f "$work/out.cpp"
    "$embed" --out "$work/out.cpp" --warning "${file[warning]}" --logo "${file[logo]}" \
        --scroller "${file[scroller]}" --roto "${file[roto]}" --tunnel "${file[tunnel]}" \
        --text "${file[text]}" --music "${file[music]}" 2>"$work/stderr"
}

# expect_refusal DESCRIPTION EXPECTED_TEXT... -- NAME=FILE...
expect_refusal() {
    local what=$1; shift
    local expected=()
    while [ "$1" != "--" ]; do expected+=("$1"); shift; done
    shift
    if run "$@"; then
        echo "FAIL: $what: embed accepted it"; failures=$((failures + 1)); return
    fi
    if [ -e "$work/out.cpp" ]; then
        echo "FAIL: $what: embed wrote its output anyway"; failures=$((failures + 1))
    fi
    for text in "${expected[@]}"; do
        if ! grep -qF -- "$text" "$work/stderr"; then
            echo "FAIL: $what: message lacks \"$text\":"; cat "$work/stderr"; failures=$((failures + 1))
        fi
    done
}

if ! run || [ ! -s "$work/out.cpp" ]; then
    echo "FAIL: the committed assets are refused:"; cat "$work/stderr"; failures=$((failures + 1))
fi

expect_refusal "a picture of the wrong size" \
    "embed: $assets/roto.png: must be 320 x 240 pixels, is 256 x 256" -- warning="$assets/roto.png"
expect_refusal "a texture of the wrong size" \
    "embed: $assets/tunnel.png: must be 256 x 256 pixels, is 128 x 128" -- roto="$assets/tunnel.png"
expect_refusal "a scroller picture without the frame" \
    "embed: $assets/logo.png: pixel (" "the white frame around the text window" -- scroller="$assets/logo.png"
expect_refusal "a file that is no PNG" \
    "embed: $assets/scroll.txt: is not a readable PNG" -- logo="$assets/scroll.txt"

sed '15s/^\(  *\)\([a-z]\)/\1S/' "$assets/scroll.txt" > "$work/capital.txt"
expect_refusal "a capital letter in the text" \
    "embed: $work/capital.txt: line 15, column" "'S' is not in the font (it has no capital letters" \
    -- text="$work/capital.txt"
sed '20s/$/ /' "$assets/scroll.txt" > "$work/long.txt"
expect_refusal "a text line too long" \
    "embed: $work/long.txt: line 20 must hold 26 characters, holds 27" -- text="$work/long.txt"

head -c 1000 "$assets/music.xm" > "$work/short.xm"
expect_refusal "a module cut short" "embed: $work/short.xm: is cut short" -- music="$work/short.xm"
cp "$assets/music.xm" "$work/tempo.xm"
printf '\006' | dd of="$work/tempo.xm" bs=1 seek=76 conv=notrunc status=none
expect_refusal "a module at tempo 6" \
    "embed: $work/tempo.xm: has a default tempo of 6 ticks per row" -- music="$work/tempo.xm"
expect_refusal "a text file given as the module" \
    "embed: $assets/scroll.txt: is not an XM module" -- music="$assets/scroll.txt"

expect_refusal "two broken files in one run" \
    "embed: $work/long.txt: line 20" "embed: $work/tempo.xm: has a default tempo" \
    -- text="$work/long.txt" music="$work/tempo.xm"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "embed refuses every broken asset"
