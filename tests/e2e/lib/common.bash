# Shared by the end-to-end scripts: a scratch directory, a private Xvfb, and small checks.
# Usage: source it with the build directory as $1 and the source directory as $2.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
TMP=$(mktemp -d)
XVFB_PID=""
cleanup() {
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$TMP"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb on a free display number (WIDTHxHEIGHT, default 1280x720) and exports DISPLAY.
start_xvfb() {
  local size=${1:-1280x720}
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$TMP/displayfd" 2>"$TMP/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 200); do [[ -s "$TMP/displayfd" ]] && break; sleep 0.05; done
  [[ -s "$TMP/displayfd" ]] || fail "Xvfb did not start: $(cat "$TMP/xvfb.log")"
  export DISPLAY=":$(head -n1 "$TMP/displayfd")"
}

# Waits up to $2 seconds (default 10) for a window named $1; prints its id.
wait_window() {
  local name=$1 limit=${2:-10} id=""
  for _ in $(seq $((limit * 20))); do
    id=$(xwininfo -name "$name" 2>/dev/null | awk '/Window id:/ { print $4 }' || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
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
