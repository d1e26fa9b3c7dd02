# Shared by the end-to-end scripts: a scratch directory, a private Xvfb, and small checks.
# Usage: source it with the build directory as $1 and the source directory as $2.
set -euo pipefail
BUILD_DIR=$(cd "$1" && pwd)
SOURCE_DIR=$(cd "$2" && pwd)
TMP=$(mktemp -d)
XVFB_PID=""
cleanup() {
  if [[ -n "$XVFB_PID" ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$TMP"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb (WIDTHxHEIGHT, default 1280x720) and exports DISPLAY once a client can connect.
# The display number is drawn at random from a wide range rather than taken as the lowest free
# one: tests run side by side, and a server that is still shutting down on a number just freed
# can delete the sockets of a new server that took the same number.
start_xvfb() {
  local size=${1:-1280x720} n
  for _ in 1 2 3 4 5; do
    n=$((200 + RANDOM % 700))
    [[ -e "/tmp/.X$n-lock" ]] && continue
    # -noreset: by default the server resets when its last client leaves, and a client that
    # connects during the reset (the demo, just after a probe of ours) is turned away.
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset 2>"$TMP/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 200); do
      if xwininfo -root -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  fail "Xvfb did not start: $(cat "$TMP/xvfb.log")"
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
