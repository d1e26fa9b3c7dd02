#!/usr/bin/env bash
# A folder that is the root of a mount: a capture stages its files inside it (a rename out of a
# mount cannot work) and commits them; a read-only one is refused with the system's words before
# the first frame. Mounting needs root: in a private mount namespace, gone when the script ends.
[[ $(id -u) -eq 0 ]] || { echo "skipped: needs root"; exit 77; }
if [[ -z ${SIDEWAYS_PRIVATE_MOUNTS:-} ]]; then
  # A plain chroot, whose root is no mount point, cannot have its mounts made private.
  unshare --mount --propagation private true 2>/dev/null ||
    { echo "skipped: no private mount namespace here (the root is not a mount point)"; exit 77; }
  SIDEWAYS_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
source "$(dirname "$0")/lib/common.bash"
capture="$BUILD_DIR/sideways-capture"
cd "$TMP"
mkdir tmpfs source bound
mount -t tmpfs capture-test tmpfs
mount --bind source bound
trap 'umount tmpfs bound 2>/dev/null; cleanup' EXIT

for target in tmpfs bound; do
  "$capture" --png "$target" --from 30 --to 30 2>stderr || fail "--png $target: exit $?, $(cat stderr)"
  [[ -s $target/frames.csv && $(ls "$target" | wc -l) -gt 100 ]] || fail "--png $target: nothing committed"
  [[ -z $(find . -name 'sideways-*.part') ]] || fail "--png $target: temporaries left: $(find . -name 'sideways-*.part')"
done

mount -o remount,ro tmpfs
set +e; "$capture" --png tmpfs --replace 2>stderr; code=$?; set -e
[[ $code -eq 1 ]] && grep -qF "cannot write into tmpfs: Read-only file system" stderr ||
  fail "read-only mount: exit $code, $(cat stderr)"
grep -q "frame" stderr && fail "read-only mount: frames were drawn first: $(cat stderr)"
echo "ok: a mount's root is staged inside and committed; a read-only one refused up front"
