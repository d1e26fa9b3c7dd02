# A private Xvfb for tests and scripts. The server picks a free display number itself and reports
# it (-displayfd), so servers started at the same moment by other programs never race for one.
# Source it; it defines functions only.

XvfbPid=""

# StartXvfb [WIDTHxHEIGHT] [LOG]: starts Xvfb (default 1280x720, 24 bits) with its messages in LOG
# (default: discarded) and exports DISPLAY once it accepts clients. Fails after 20 s without.
StartXvfb() {
  local size=${1:-1280x720} log=${2:-/dev/null} number n
  number=$(mktemp)
  # -noreset: by default the server resets when its last client leaves, and a client that
  # connects during the reset (the demo, just after a probe of ours) is turned away.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$number" 2>"$log" &
  XvfbPid=$!
  # The number is written, with a newline, once the server listens.
  for _ in $(seq 400); do
    [[ $(tail -c1 "$number") == "" && -s $number ]] && break
    kill -0 "$XvfbPid" 2>/dev/null || break
    sleep 0.05
  done
  n=$(cat "$number")
  rm -f "$number"
  if [[ ! $n =~ ^[0-9]+$ ]]; then
    StopXvfb
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
}

# Stops the server StartXvfb started, if any, and waits for it to end.
StopXvfb() {
  [[ -n $XvfbPid ]] || return 0
  kill "$XvfbPid" 2>/dev/null || true
  wait "$XvfbPid" 2>/dev/null || true
  XvfbPid=""
}
