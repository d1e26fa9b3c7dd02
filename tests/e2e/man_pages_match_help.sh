#!/usr/bin/env bash
# Each program's man page describes exactly the options its --help lists, read from the outside:
# the options that start the usage text's lines against the man page's OPTIONS entries. The
# comparison must notice a page that lost an option.
source "$(dirname "$0")/lib/common.bash"

help_options() {  # the options at the start of --help's lines, sorted
  "$1" --help | grep -E '^  -' | sed -E 's/   +.*//' | grep -oE '(^|[ ,])-{1,2}[a-z][a-z-]*' | tr -d ' ,' | sort -u
}
page_options() {  # the options that head the entries of a man page's OPTIONS section, sorted
  sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$1" | sed -n '/^\.TP/{n;p}' |
    sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/^\.B[IR]? //' | grep -oE '(^|[ ,])-{1,2}[a-z][a-z-]*' | tr -d ' ,' | sort -u
}
compare() {  # program, man page; says what differs
  local differ
  differ=$(diff <(help_options "$1") <(page_options "$2")) || {
    echo "$(basename "$2") and $(basename "$1") --help differ (< only in --help, > only in the page):"
    echo "$differ"
    return 1
  }
}

for program in sideways sideways-capture; do
  compare "$BUILD_DIR/$program" "$BUILD_DIR/man/$program.6" || fail "the man page drifted from --help"
  [[ $(page_options "$BUILD_DIR/man/$program.6" | wc -l) -gt 5 ]] || fail "no options read from $program.6"
done
grep -v 'list\\-displays' "$BUILD_DIR/man/sideways.6" >"$TMP/sideways.6"
compare "$BUILD_DIR/sideways" "$TMP/sideways.6" >"$TMP/out" && fail "a page without --list-displays passed"
grep -qx '< --list-displays' "$TMP/out" || fail "the drift was not named: $(cat "$TMP/out")"
echo "both man pages list every option of --help, and no other"
