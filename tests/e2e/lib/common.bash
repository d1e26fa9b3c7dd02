# Shared by the end-to-end scripts: a scratch directory, a private Xvfb, and small checks.
# Usage: source it with the build directory as $1 and the source directory as $2.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
source "$SOURCE_DIR/scripts/lib/xvfb.bash"
TMP=$(mktemp -d)
# Every process the test started in the background is ended, whatever happened: a reader left
# waiting on a pipe would otherwise outlive the test and hold ctest's output open.
cleanup() {
  # A child forked from the test that is signalled before it runs its program inherits this trap.
  [[ $BASHPID == "$$" ]] || return 0
  local pids
  pids=$(jobs -p)
  if [[ -n $pids ]]; then
    kill $pids 2>/dev/null || true
    wait $pids 2>/dev/null || true
  fi
  StopXvfb
  # A test may leave a folder its user cannot list (as a normal user, a check of exactly that).
  chmod -R u+rwX "$TMP" 2>/dev/null || true
  rm -rf "$TMP"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() { echo "FAIL: $*" >&2; exit 1; }

# Ends the test as skipped (ctest's SKIP_RETURN_CODE), saying why.
skip() { echo "skipped: $*"; exit 77; }

# Skipped checks, for a test whose other checks run: skip_part REASON notes one; finish_skipped
# ends the test as skipped with the reasons once everything else has passed.
Skipped=()
skip_part() { Skipped+=("$*"); }
finish_skipped() {
  [[ ${#Skipped[@]} -eq 0 ]] && return 0
  local IFS=';'
  echo "skipped: ${Skipped[*]} (every other check passed)"
  exit 77
}

# Starts a private Xvfb (WIDTHxHEIGHT, default 1280x720) and exports DISPLAY.
start_xvfb() {
  StartXvfb "${1:-1280x720}" "$TMP/xvfb.log" || fail "Xvfb did not start: $(cat "$TMP/xvfb.log")"
}

# Waits up to $2 seconds (default 10) for a window named $1; prints its id.
wait_window() {
  local name=$1 limit=${2:-10} id=""
  for _ in $(seq $((limit * 20))); do
    id=$(xwininfo -name "$name" 2>/dev/null | awk '/Window id:/ { print $4 }' || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.05
  done
  [[ -n "${3:-}" ]] && diagnose "$3"
  return 1
}

# Says what process $1 is doing and what the X server shows, for a failure message.
diagnose() {
  {
    echo "--- windows:"; xwininfo -root -tree 2>&1 | grep '"' || true
    echo "--- process $1: $(grep State /proc/"$1"/status 2>&1)"
    command -v gdb >/dev/null && gdb -p "$1" -batch -ex 'thread apply all bt 12' 2>/dev/null | grep -E '^#|^Thread' || true
  } >&2
}

# Waits up to $2 seconds for process $1 to end; sets EXIT_CODE, or fails if it keeps running.
wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 100))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e; wait "$pid"; EXIT_CODE=$?; set -e
      return 0
    fi
    sleep 0.01
  done
  kill "$pid" 2>/dev/null || true
  fail "process still running after $limit s"
}
