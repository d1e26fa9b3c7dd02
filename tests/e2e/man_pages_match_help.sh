#!/usr/bin/env bash
# Each program's man page describes exactly the options its --help lists, with the same ranges
# and defaults, read from the outside: the usage text's entries against the man page's OPTIONS
# entries, each reduced to "option range... default..." lines. The comparison must notice a page
# that lost an option or whose range or default drifted.
source "$(dirname "$0")/lib/common.bash"

facts() {  # one entry a line ("--spelling text...") on stdin: the option, its ranges, its defaults
  while IFS= read -r entry; do
    local names=${entry%%   *} rest=${entry#*   }
    names=$(grep -oE '(^|[ ,])-{1,2}[a-z][a-z-]*' <<<"$names" | tr -d ' ,' | tr '\n' ' ')
    echo "$names$(grep -oE -- '-?[0-9]+\.\.-?[0-9]+|default -?[0-9][0-9x]*' <<<"$rest" | tr '\n' ' ')"
  done | sort
}
help_facts() {  # the entries of --help: a line starting "  -" and the lines indented under it
  "$1" --help | awk '/^  -/ { if (e) print e; e = $0; next } /^   / { sub(/^ +/, ""); e = e " " $0; next }
                     { if (e) print e; e = "" } END { if (e) print e }' | facts
}
page_facts() {  # the entries of a man page's OPTIONS section: the tag line, then its text
  sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$1" | sed -E 's/\\f[BIRP]//g; s/\\-/-/g; s/\\e/\\/g' |
    awk '/^\.TP/ { if (e) print e; e = ""; tag = 1; next } /^\.S[SH]/ { if (e) print e; e = ""; next }
         tag { e = $0 "   "; tag = 0; next } e != "" { e = e " " $0 } END { if (e) print e }' | facts
}
compare() {  # program, man page; says what differs
  local differ
  differ=$(diff <(help_facts "$1") <(page_facts "$2")) || {
    echo "$(basename "$2") and $(basename "$1") --help differ (< only in --help, > only in the page):"
    echo "$differ"
    return 1
  }
}

for program in sideways sideways-capture; do
  compare "$BUILD_DIR/$program" "$BUILD_DIR/man/$program.6" || fail "the man page drifted from --help"
  [[ $(page_facts "$BUILD_DIR/man/$program.6" | wc -l) -gt 5 ]] || fail "no options read from $program.6"
done
grep -q '^--display 0..63 default 0 $' <(page_facts "$BUILD_DIR/man/sideways.6") ||
  fail "the range and default of --display were not read: $(page_facts "$BUILD_DIR/man/sideways.6")"
grep -v 'list\\-displays' "$BUILD_DIR/man/sideways.6" >"$TMP/sideways.6"
compare "$BUILD_DIR/sideways" "$TMP/sideways.6" >"$TMP/out" && fail "a page without --list-displays passed"
grep -qx '< --list-displays ' "$TMP/out" || fail "the lost option was not named: $(cat "$TMP/out")"
sed 's/^\(The screen to show on, 0\.\.\)63/\162/' "$BUILD_DIR/man/sideways.6" >"$TMP/sideways.6"
compare "$BUILD_DIR/sideways" "$TMP/sideways.6" >"$TMP/out" && fail "a page with another range passed"
grep -qx '> --display 0..62 default 0 ' "$TMP/out" || fail "the drifted range was not named: $(cat "$TMP/out")"
echo "both man pages list every option of --help, with its ranges and defaults, and no other"
