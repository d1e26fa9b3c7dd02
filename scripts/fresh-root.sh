#!/usr/bin/env bash
# Proves the README's commands on a pristine system: makes a minimal Debian root (debootstrap
# minbase), clones the committed HEAD into it (never the working folder), and runs inside it,
# without a display, the README's run command (it must build and stop with its "no display"
# message) and its test command (every test must pass or say why it is skipped). Removes
# everything it mounted and made when it ends, also on Ctrl-C or SIGTERM.
#   scripts/fresh-root.sh                  Debian 12 (bookworm), as root
#   scripts/fresh-root.sh --suite trixie   Debian 13
#   --user                                 as the normal user dev, whose sudo runs apt-get and
#                                          nothing else, as a person who clones the project works
#   --plain-chroot                         the root a plain folder entered with chroot, not a
#                                          mount point of its own (as schroot and many CI
#                                          containers give it)
#   --ci                                   the run command, then the whole of .ci/run, as CI does
#   --dir DIR                              the root's folder (default /var/tmp/sideways-root-PID)
#   --keep                                 keeps the root when a step fails, to look inside
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/debian.bash
source scripts/lib/root.bash

suite=bookworm dir=/var/tmp/sideways-root-$$
ParseFlags "scripts/fresh-root.sh [--suite SUITE] [--user] [--plain-chroot] [--ci] [--dir DIR] [--keep]" \
  --suite:suite --dir:dir --user=as_user --plain-chroot=RootPlain --ci=ci --keep=keep -- "$@"
[[ $(id -u) -eq 0 ]] || Fail "it makes a root with debootstrap and chroot: run it as root"
! $ci || ! $as_user || Fail "--ci runs as root, as CI does: not with --user"
[[ $dir == /* ]] || dir=$PWD/$dir
commit=$(git rev-parse HEAD)
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
  echo "note: uncommitted changes are not tested; the root gets commit ${commit:0:12}"

failed=true
maker=""
# Ends process $1 and every process under it, children first.
end_tree() {
  local child
  for child in $(ps -o pid= --ppid "$1"); do end_tree "$child"; done
  kill "$1" 2>/dev/null || true
}
finish() {
  # debootstrap still running writes into the root: end it before anything is unmounted.
  if [[ -n $maker ]] && kill -0 "$maker" 2>/dev/null; then
    end_tree "$maker"
    wait "$maker" 2>/dev/null || true
  fi
  if $failed && $keep && [[ -d $dir ]]; then
    echo "kept $dir; remove it with: bash -c 'source scripts/lib/debian.bash; source scripts/lib/root.bash; RemoveRoot $dir'" >&2
    return
  fi
  RemoveRoot "$dir" || echo "could not remove $dir: see above" >&2
}
OnExit finish

# step NAME COMMAND...: runs COMMAND inside the root, its output shown as it comes, and prints
# how long it took. In the background, so that a signal ends the script at once.
step() {
  local name=$1 start=$SECONDS code=0
  shift
  echo "=== $name"
  InRoot "$dir" "$@" &
  wait $! || code=$?
  echo "=== $name: $((SECONDS - start)) s, exit $code"
  return $code
}

start=$SECONDS
MakeRoot "$dir" "$suite" &
maker=$!
wait "$maker"
maker=""
echo "=== debootstrap: $((SECONDS - start)) s"
! $RootPlain || ! mountpoint -q "$dir" || Fail "$dir is a mount point, not a plain folder"

# What a person or a CI machine has before the project: git, and the clone of the commit; the
# person with --user is dev, whose sudo runs apt-get and nothing else.
packages="git ca-certificates"
if $as_user; then packages+=" sudo"; fi
step "git" bash -c "apt-get update -qq && apt-get install -y -qq --no-install-recommends $packages >/dev/null"
if $as_user; then
  home=/home/dev
  InRoot "$dir" useradd --create-home --shell /bin/bash dev
  echo "dev ALL=(root) NOPASSWD: /usr/bin/apt-get" | AsRoot tee "$dir/etc/sudoers.d/dev" >/dev/null
  AsRoot chmod 440 "$dir/etc/sudoers.d/dev"
  person=(runuser -u dev -- env HOME=$home USER=dev LOGNAME=dev)
else
  home=/root
  person=()
fi
git clone -q --no-hardlinks "$PWD" "$dir$home/sideways"
git -C "$dir$home/sideways" checkout -q --detach "$commit"
$as_user && InRoot "$dir" chown -R dev:dev "$home/sideways"

# The run command without a display must build the demo and stop, saying why.
code=0
step "scripts/run.sh" "${person[@]}" bash -o pipefail -c "cd $home/sideways && scripts/run.sh 2>&1 | tee $home/run.log" || code=$?
[[ $code -ne 0 ]] && grep -q "there is no display to show it on" "$dir$home/run.log" ||
  Fail "scripts/run.sh without a display: exit $code, no 'no display' message"
[[ -x $dir$home/sideways/build/release/sideways ]] || Fail "scripts/run.sh built no demo"

if $ci; then
  step ".ci/run" env CI=true bash -c 'cd /root/sideways && bash .ci/run </dev/null'
else
  step "scripts/test.sh" "${person[@]}" bash -c "cd $home/sideways && scripts/test.sh"
fi
echo "=== all passed in a pristine $suite root$($as_user && echo " as the user dev")$($RootPlain && echo ", a plain chroot"): $((SECONDS - start)) s"
failed=false
