# Minimal Debian roots made with debootstrap, to run the project's commands on a pristine system
# (any release, amd64 or through qemu arm64). Source it after debian.bash; it defines functions
# only. A root's folder name must have no white space (mount tables escape it).
#
#   MakeRoot /var/tmp/r bookworm      # debootstrap, binds, resolv.conf
#   OnExit 'RemoveRoot /var/tmp/r'    # scripts/lib/script.bash
#   InRoot /var/tmp/r apt-get install -y git

# The mirror roots are made from and install from.
RootMirror=${SIDEWAYS_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# Whether MakeRoot leaves the root a plain folder, not a mount point of its own: as schroot,
# sbuild's chroot mode and many CI containers give it.
RootPlain=${RootPlain:-false}

# Bind mounts a root gets, parents before children.
RootBinds=(/proc /sys /dev /dev/pts /dev/shm)

# Fails with a message unless $1 is an absolute path that mount tables show as it is.
CheckRootPath() {
  [[ $1 == /?* && $1 != *[[:space:]\\]* && $1 != */ ]] ||
    { echo "root folder must be an absolute path without white space: '$1'" >&2; return 1; }
}

# The mount points at or under root $1, deepest first.
RootMounts() {
  awk -v root="$1" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo |
    LC_ALL=C sort -r -u
}

# MakeRoot DIR SUITE [ARCH]: makes a minbase Debian root of SUITE (bookworm, trixie, ...) for ARCH
# (default: this machine's) in DIR, which must not exist or be empty; makes DIR a mount point of
# its own unless RootPlain is true; binds the kernel's filesystems into it and gives it this
# machine's resolv.conf, its own certificate authorities and the suite's updates and security
# sources. A foreign ARCH runs through qemu-user-static;
# binfmt_misc is mounted and qemu registered when they are not, and RemoveRoot undoes both.
MakeRoot() {
  local dir=$1 suite=$2 arch=${3:-} host_arch
  CheckRootPath "$dir" || return 1
  host_arch=$(dpkg --print-architecture)
  arch=${arch:-$host_arch}
  if [[ -e $dir && -n $(ls -A "$dir") ]]; then
    echo "$dir exists and is not empty: not making a root there" >&2
    return 1
  fi
  InstallPackages debootstrap
  AsRoot mkdir -p "$dir"
  if [[ $arch != "$host_arch" ]]; then
    InstallPackages qemu-user-static
    local qemu=${arch/arm64/aarch64}
    qemu=${qemu/amd64/x86_64}
    if ! mountpoint -q /proc/sys/fs/binfmt_misc; then
      AsRoot mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || return 1
      AsRoot touch "$dir/.root-mounted-binfmt"
    fi
    # Registered with the F flag, the static qemu is opened now, so the root needs no copy.
    if [[ ! -e /proc/sys/fs/binfmt_misc/qemu-$qemu ]]; then
      AsRoot tee /proc/sys/fs/binfmt_misc/register <"/usr/lib/binfmt.d/qemu-$qemu.conf" >/dev/null ||
        { echo "cannot register qemu-$qemu with binfmt_misc" >&2; return 1; }
      echo "qemu-$qemu" | AsRoot tee "$dir/.root-registered-binfmt" >/dev/null
    fi
  fi
  echo "Making a $suite $arch root in $dir"
  if ! AsRoot debootstrap --variant=minbase --arch="$arch" "$suite" "$dir" "$RootMirror" \
      >"$dir/.debootstrap.log" 2>&1; then
    tail -20 "$dir/.debootstrap.log" >&2
    echo "debootstrap of $suite $arch failed" >&2
    return 1
  fi
  rm -f "$dir/.debootstrap.log"

  # The root is a mount point of its own, as / is on a real machine (unless RootPlain): tools
  # that change the propagation of / (unshare --mount-proc, container runtimes) refuse a plain
  # folder.
  if ! $RootPlain; then
    AsRoot mount --bind "$dir" "$dir" || return 1
    AsRoot mount --make-private "$dir" || return 1
  fi
  local b
  for b in "${RootBinds[@]}"; do
    AsRoot mkdir -p "$dir$b"
    AsRoot mount --bind "$b" "$dir$b" || return 1
    # Private: what is mounted inside never shows on the host, nor the other way round.
    AsRoot mount --make-private "$dir$b" || return 1
  done
  AsRoot cp -L /etc/resolv.conf "$dir/etc/resolv.conf"
  # The certificate authorities this machine adds to Debian's (a proxy's, say): the root reaches
  # the package registries as the machine does once ca-certificates is installed inside.
  if compgen -G "/usr/local/share/ca-certificates/*" >/dev/null; then
    AsRoot mkdir -p "$dir/usr/local/share/ca-certificates"
    AsRoot cp -rL /usr/local/share/ca-certificates/. "$dir/usr/local/share/ca-certificates/"
  fi
  # The sources a new machine has: the release, its updates and its security fixes.
  AsRoot rm -f "$dir/etc/apt/sources.list"
  printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb\nURIs: %s-security\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$RootMirror" "$suite" "$suite" "$RootMirror" "$suite" | AsRoot tee "$dir/etc/apt/sources.list.d/debian.sources" >/dev/null
  # No service starts inside the root when its package is installed.
  printf '#!/bin/sh\nexit 101\n' | AsRoot tee "$dir/usr/sbin/policy-rc.d" >/dev/null
  AsRoot chmod 755 "$dir/usr/sbin/policy-rc.d"
}

# InRoot DIR COMMAND...: runs COMMAND inside root DIR (chroot) in a clean environment: PATH,
# HOME=/root, LANG=C.UTF-8, DEBIAN_FRONTEND=noninteractive and nothing else (no DISPLAY). Add
# variables with `env NAME=VALUE` before the command. Returns the command's exit code.
InRoot() {
  local dir=$1
  shift
  AsRoot chroot "$dir" /usr/bin/env -i \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

# RemoveRoot DIR: ends the processes still running inside root DIR, unmounts everything under it
# (its binds and whatever the commands inside mounted), deepest first, and only when nothing is
# mounted there any more removes DIR; unmounts binfmt_misc when MakeRoot mounted it. Safe to call
# twice and on a root made halfway; meant for a cleanup on exit (OnExit).
RemoveRoot() {
  local dir=$1 p m
  CheckRootPath "$dir" || return 1
  [[ -e $dir ]] || return 0
  dir=$(cd "$dir" && pwd -P)
  [[ $dir == /?*/?* ]] || { echo "not removing $dir: not a root's folder" >&2; return 1; }
  # Processes whose root is inside DIR keep its mounts busy: TERM, then KILL what is left.
  local sig
  for sig in TERM KILL; do
    local pids=()
    for p in /proc/[0-9]*; do
      m=$(readlink "$p/root" 2>/dev/null) || continue
      [[ $m == "$dir" || $m == "$dir"/* ]] && pids+=("${p#/proc/}")
    done
    [[ ${#pids[@]} -eq 0 ]] && break
    AsRoot kill "-$sig" "${pids[@]}" 2>/dev/null || true
    sleep 1
  done
  local round
  for round in 1 2 3; do
    for m in $(RootMounts "$dir"); do
      AsRoot umount "$m" 2>/dev/null || AsRoot umount --lazy "$m" 2>/dev/null || true
    done
    [[ -z $(RootMounts "$dir") ]] && break
  done
  if [[ -n $(RootMounts "$dir") ]]; then
    echo "still mounted under $dir, not removing it:" >&2
    RootMounts "$dir" >&2
    return 1
  fi
  if [[ -f $dir/.root-registered-binfmt ]]; then
    m=$(cat "$dir/.root-registered-binfmt")
    [[ -e /proc/sys/fs/binfmt_misc/$m ]] && { echo -1 | AsRoot tee "/proc/sys/fs/binfmt_misc/$m" >/dev/null || true; }
  fi
  if [[ -e $dir/.root-mounted-binfmt ]] && mountpoint -q /proc/sys/fs/binfmt_misc; then
    AsRoot umount /proc/sys/fs/binfmt_misc || true
  fi
  # --one-file-system: a mount that appeared after the check is skipped, never walked.
  AsRoot rm -rf --one-file-system "$dir"
}
