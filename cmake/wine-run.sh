#!/bin/sh
# Runs a Windows program of the cross build under Wine, quietly, in a Wine prefix of its own
# (WINEPREFIX when set, else ~/.wine-sideways). Exit status is the program's.
: "${WINEPREFIX:=$HOME/.wine-sideways}"
export WINEPREFIX
# 64-bit only: Debian's 32-bit Wine is not needed.
export WINEARCH="${WINEARCH:-win64}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
