#!/usr/bin/env bash
# RemoveRoot (scripts/lib/root.bash) unmounts everything under a root, deepest first, before it
# deletes the root, so a folder bound into it loses nothing; a second call does nothing.
source "$(dirname "$0")/lib/common.bash"
[[ $(id -u) -eq 0 ]] || skip "mounting needs root"
source "$SOURCE_DIR/scripts/lib/debian.bash"
source "$SOURCE_DIR/scripts/lib/root.bash"
host=$TMP/host root=$TMP/root
mkdir -p "$host/deep" "$root/bound" "$root/other"
echo kept >"$host/deep/file"
mount --bind "$host" "$root/bound"
# What a command inside mounted, below a bind.
mount -t tmpfs inside "$root/bound/deep"
mount --bind "$host" "$root/other"
# A mount kept busy by a process is detached, never walked.
(cd "$root/other" && exec sleep 60) &
busy=$!
RemoveRoot "$root" || fail "RemoveRoot failed"
kill "$busy"
[[ ! -e $root ]] || fail "the root is still there"
[[ $(cat "$host/deep/file" 2>/dev/null) == kept ]] || fail "a file behind a bind was deleted"
grep -q " $root" /proc/self/mountinfo && fail "still mounted: $(grep " $root" /proc/self/mountinfo)"
RemoveRoot "$root" || fail "a second RemoveRoot failed"
RemoveRoot "/var/tmp/a root" 2>/dev/null && fail "a root path with a space was accepted"
echo "ok: binds and inner mounts unmounted, their files kept, the root removed, twice"
