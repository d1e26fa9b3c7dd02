#!/usr/bin/env bash
# Every script refuses an argument it does not know, with its usage and exit code 2, before it
# does anything; and the scripts' cleanup idiom runs the cleanup once, at once, on Ctrl-C (exit
# 130) and SIGTERM (exit 143), with that status, in the script alone (never in a child it killed
# before the child ran its program), and the script goes no further; a command that fails
# unchecked is named.
source "$(dirname "$0")/lib/common.bash"
cd "$SOURCE_DIR"
for script in scripts/*.sh; do
  [[ $script == scripts/run.sh ]] && continue  # hands its arguments on to the show
  set +e; bash "$script" --no-such-flag >"$TMP/out" 2>&1; code=$?; set -e
  [[ $code -eq 2 ]] && grep -q "usage: " "$TMP/out" || fail "$script --no-such-flag: exit $code, $(head -3 "$TMP/out")"
done

cat >"$TMP/stopped.sh" <<SCRIPT
set -euo pipefail
source "$SOURCE_DIR/scripts/lib/script.bash"
sleeper=""
OnExit '[[ -z \$sleeper ]] || kill \$sleeper; echo "cleaned \$ExitStatus"'
sleep 30 & sleeper=\$!
echo started
wait \$sleeper
echo "went on"
SCRIPT
for signal in INT:130 TERM:143; do
  # A background job starts with SIGINT ignored; the script gets it as a terminal would give it.
  env --default-signal=INT bash "$TMP/stopped.sh" >"$TMP/out" 2>&1 & pid=$!
  for _ in $(seq 100); do grep -q started "$TMP/out" && break; sleep 0.05; done
  kill "-${signal%:*}" "$pid"
  wait_exit "$pid" 10
  [[ $EXIT_CODE -eq ${signal#*:} && $(cat "$TMP/out") == "started"$'\n'"cleaned ${signal#*:}" ]] ||
    fail "SIG${signal%:*}: exit $EXIT_CODE, output: $(cat "$TMP/out")"
done
# A command that fails unchecked ends the script and is named; the cleanup gets every ending's status.
endings=('false:1:ending.sh: line 4: "false" failed' 'exit 5:5:' 'true:0:went on')
for ending in "${endings[@]}"; do
  IFS=: read -r command status said <<<"$ending"
  printf 'set -euo pipefail\nsource "%s/scripts/lib/script.bash"\nOnExit '\''echo "cleaned $ExitStatus"'\''\n%s\necho "went on"\n' \
    "$SOURCE_DIR" "$command" >"$TMP/ending.sh"
  set +e; bash "$TMP/ending.sh" >"$TMP/out" 2>&1; code=$?; set -e
  [[ $code -eq $status && $(cat "$TMP/out") == "${said:+$said$'\n'}cleaned $status" ]] ||
    fail "ending with '$command': exit $code, $(cat "$TMP/out")"
done
echo "ok: unknown arguments refused by every script; INT and TERM clean up once and end the script; the cleanup gets every ending's status"
