# What every script shares: its name in messages, the cleanup idiom, a flag parser that refuses
# what it does not know, and the job count. Source it; it defines functions and ScriptName, and
# names the command that ends the script by failing.

ScriptName=$(basename "$0")

# Under set -e a command that fails where nothing checks it ends the script; this says which.
trap 'echo "$ScriptName: line $LINENO: \"$BASH_COMMAND\" failed" >&2' ERR

# OnExit COMMAND: runs COMMAND once when the script ends, however it ends, with the script's exit
# status in ExitStatus. Ctrl-C (INT) and TERM just end the script, with 130 and 143 as a shell
# does, so that the cleanup runs once, at once, and the script goes no further. A child the script
# forks keeps these traps until it runs its own program; a signal in that moment (the cleanup
# killing it, say) must end the child alone, not run the script's cleanup again from the child.
OnExit() {
  ExitCommand=$1
  trap 'ExitStatus=$?; [[ $BASHPID != "$$" ]] || eval "$ExitCommand"' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# Fail MESSAGE...: prints "SCRIPT: MESSAGE" on stderr and ends the script with 1.
Fail() {
  echo "$ScriptName: $*" >&2
  exit 1
}

# ParseFlags USAGE RULE... -- ARGUMENTS...: sets the caller's variables from the arguments, or
# prints USAGE and ends the script with 2 at the first argument it does not know (with 0 for
# -h and --help). RULE is one of
#   --flag=VAR    a switch: VAR becomes false, and true when --flag is given
#   --flag:VAR    an option with a value: VAR becomes the next argument (VAR keeps its value
#                 when the option is not given)
#   @ARRAY        ARRAY collects the arguments that are not flags; without it they are refused
ParseFlags() {
  local pf_usage=$1 pf_rest="" pf_rule
  local -A pf_switch=() pf_value=()
  shift
  while [[ $# -gt 0 && $1 != -- ]]; do
    pf_rule=$1
    case $pf_rule in
      --*=*) pf_switch[${pf_rule%%=*}]=${pf_rule#*=}; printf -v "${pf_rule#*=}" false ;;
      --*:*) pf_value[${pf_rule%%:*}]=${pf_rule#*:} ;;
      @*) pf_rest=${pf_rule#@}; eval "$pf_rest=()" ;;
      *) echo "ParseFlags: bad rule '$pf_rule'" >&2; exit 2 ;;
    esac
    shift
  done
  [[ $# -gt 0 ]] && shift
  while [[ $# -gt 0 ]]; do
    if [[ $1 == -h || $1 == --help ]]; then
      echo "usage: $pf_usage"
      exit 0
    elif [[ -n ${pf_switch[$1]:-} ]]; then
      printf -v "${pf_switch[$1]}" true
    elif [[ -n ${pf_value[$1]:-} && $# -ge 2 ]]; then
      printf -v "${pf_value[$1]}" %s "$2"
      shift
    elif [[ -n $pf_rest && $1 != -* ]]; then
      eval "$pf_rest+=(\"\$1\")"
    else
      if [[ -n ${pf_value[$1]:-} ]]; then
        echo "$ScriptName: $1 needs a value" >&2
      else
        echo "$ScriptName: unknown argument '$1'" >&2
      fi
      echo "usage: $pf_usage" >&2
      exit 2
    fi
    shift
  done
}

# The number of parallel jobs for builds and tests: SIDEWAYS_JOBS when set, else the processors.
Jobs() {
  local jobs=${SIDEWAYS_JOBS:-$(nproc)}
  [[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "SIDEWAYS_JOBS must be a positive number, not '$jobs'" >&2; return 1; }
  echo "$jobs"
}
