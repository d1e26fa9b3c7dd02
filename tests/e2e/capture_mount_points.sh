#!/usr/bin/env bash
# A folder that is the root of a mount: a capture stages its files inside it (a rename out of a
# mount cannot work) and commits them; a read-only one is refused with the system's words before
# the first frame. And a disk that fills while a folder is replaced: every run that fails leaves
# the folder byte for byte as it was. Mounting needs root: in a private mount namespace, gone when
# the script ends.
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
trap 'umount tmpfs bound disk 2>/dev/null || true; cleanup' EXIT

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

# A small ext4 disk that holds an earlier capture in a folder with a subfolder (so its files are
# moved in one by one), filled with a file of $1 KB before the capture that replaces it. Sets
# $result to "ok" or the run's last message; fails the test if a failed run changed the folder.
digest() { (cd disk/t && find . -type f -print0 | sort -z | xargs -0 sha1sum | sha1sum); }
replace_on_full_disk() {
  rm -f disk.img && truncate -s 12M disk.img && mkfs.ext4 -q -F -m 0 -b 1024 disk.img
  mount -o loop disk.img disk
  mkdir -p disk/t/sub
  "$capture" --png disk/t --from 1 --to 1 2>stderr || fail "the earlier capture: $(cat stderr)"
  local before
  before=$(digest)
  result=ok
  (($1 == 0)) || fallocate -l "${1}K" disk/filler
  if ! "$capture" --png disk/t --from 0 --to 0 --replace 2>stderr; then
    result=$(tail -1 stderr)
    [[ $(digest) == "$before" ]] || fail "filled with $1 KB, a failed run changed the folder: $result"
  fi
  umount disk
}
mkdir disk
if ! command -v mkfs.ext4 >/dev/null || ! { truncate -s 1M probe.img && mkfs.ext4 -q probe.img && mount -o loop probe.img disk && umount disk; } 2>/dev/null; then
  skip_part "the full disk: no loop device or mkfs.ext4 here"
else
  # The most filler with which the run still succeeds, then the runs just past it, where the
  # disk fills in the last steps: while the record is written, or while files are moved.
  low=0 high=10000
  while ((high - low > 1)); do
    mid=$(((low + high) / 2))
    replace_on_full_disk $mid
    [[ $result == ok ]] && low=$mid || high=$mid
  done
  for filler in $(seq $high $((high + 5))); do
    replace_on_full_disk "$filler"
    echo "filled with $filler KB: $result"
  done
  echo "ok: a run that the full disk stops leaves the folder as it was"
fi
finish_skipped
