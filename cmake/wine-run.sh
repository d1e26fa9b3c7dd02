#!/bin/sh
# Runs a Windows program of the cross build under Wine, quietly, in the build's own Wine prefix
# (WINEPREFIX when set, else ~/.wine-sideways). Exit status is the program's.
: "${WINEPREFIX:=$HOME/.wine-sideways}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
