#!/usr/bin/env bash
# Proves the README's commands on a pristine system: makes a minimal Debian root (debootstrap
# minbase), clones the committed HEAD into it (never the working folder), and runs inside it, as
# root and without a display, the README's run command (it must build and stop with its "no
# display" message) and its test command (everything must pass). Removes everything it mounted
# and made when it ends, also on Ctrl-C or SIGTERM.
#   scripts/fresh-root.sh                  Debian 12 (bookworm)
#   scripts/fresh-root.sh --suite trixie   Debian 13
#   scripts/fresh-root.sh --ci             the run command, then the whole of .ci/run, as CI does
#   --dir DIR                              the root's folder (default /var/tmp/sideways-root-PID)
#   --keep                                 keeps the root when a step fails, to look inside
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/debian.bash
source scripts/lib/root.bash

usage() { echo "usage: scripts/fresh-root.sh [--suite SUITE] [--ci] [--dir DIR] [--keep]" >&2; exit 2; }
suite=bookworm ci=false keep=false dir=/var/tmp/sideways-root-$$
while [[ $# -gt 0 ]]; do
  case $1 in
    --suite) [[ $# -ge 2 ]] || usage; suite=$2; shift ;;
    --dir) [[ $# -ge 2 ]] || usage; dir=$2; shift ;;
    --ci) ci=true ;;
    --keep) keep=true ;;
    *) usage ;;
  esac
  shift
done
[[ $(id -u) -eq 0 ]] || { echo "fresh-root.sh makes a root with debootstrap and chroot: run it as root" >&2; exit 1; }
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
  trap - EXIT INT TERM
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
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

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
# What a person or a CI machine has before the project: git, and the clone of the commit.
step "git" bash -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null'
git clone -q --no-hardlinks "$PWD" "$dir/root/sideways"
git -C "$dir/root/sideways" checkout -q --detach "$commit"

# The run command without a display must build the demo and stop, saying why.
code=0
step "scripts/run.sh" bash -o pipefail -c 'cd /root/sideways && scripts/run.sh 2>&1 | tee /root/run.log' || code=$?
[[ $code -ne 0 ]] && grep -q "there is no display to show it on" "$dir/root/run.log" ||
  { echo "FAIL: scripts/run.sh without a display: exit $code, no 'no display' message" >&2; exit 1; }
[[ -x $dir/root/sideways/build/release/sideways ]] || { echo "FAIL: scripts/run.sh built no demo" >&2; exit 1; }

if $ci; then
  step ".ci/run" env CI=true bash -c 'cd /root/sideways && bash .ci/run </dev/null'
else
  step "scripts/test.sh" bash -c 'cd /root/sideways && scripts/test.sh'
fi
echo "=== all passed in a pristine $suite root: $((SECONDS - start)) s"
failed=false
