#!/usr/bin/env bash
# The cross builds' library stamp: a library built once is not built again for the same version
# and recipe; a new recipe or a new version builds it again; a recipe that fails leaves no stamp,
# so the next run tries again. Debian's sources are stood in for by a folder of our own.
source "$(dirname "$0")/lib/common.bash"
source "$SOURCE_DIR/scripts/lib/script.bash"
source "$SOURCE_DIR/scripts/lib/recipes.bash"
trap - ERR
deps=$TMP/deps
source_version=1.0-1
DebianSourceVersion() { echo "$source_version"; }
FetchDebianSource() { mkdir -p "$2/fake" && echo "$2/fake"; }
Recipe_fake() { echo built >>"$TMP/builds"; }
Built() { BuildLibraries "$deps" web fake >/dev/null 2>&1 || return 1; wc -l <"$TMP/builds"; }

[[ $(Built) -eq 1 ]] || fail "a first build did not run the recipe once"
[[ $(Built) -eq 1 ]] || fail "the same version and recipe built again"
Recipe_fake() { echo "built, changed" >>"$TMP/builds"; }
[[ $(Built) -eq 2 ]] || fail "a changed recipe did not build again"
source_version=1.0-2
[[ $(Built) -eq 3 ]] || fail "a new version did not build again"
Recipe_fake() { echo failed >>"$TMP/builds"; return 1; }
source_version=1.0-3
Built >/dev/null && fail "a failing recipe was reported built"
[[ ! -e $deps/web/.built-fake ]] || fail "a failing recipe left a stamp: $(cat "$deps/web/.built-fake")"
[[ $(Built; wc -l <"$TMP/builds") -eq 5 ]] || fail "after a failure the next run did not try again"
echo "ok: a library builds again exactly when its version or recipe changes, and a failure is never stamped"
