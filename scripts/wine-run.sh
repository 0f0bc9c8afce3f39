#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM.exe [ARG...]: runs a Windows program of the cross build under Wine,
# in the Wine prefix PREFIX (made on first use), without Wine's own messages, and with its
# exit status. A Wine server is kept running for a while after the last program ends, so that
# each of the many short test programs does not start one of its own.
set -euo pipefail
export WINEPREFIX="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is made: nothing here uses them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1 </dev/null
  fi
  # Answers an error when one is already running, which is what is wanted.
  wineserver -p60 </dev/null 2>/dev/null || true
) 9>"$WINEPREFIX.lock"
# The 64-bit loader itself: Debian's wine script would remark on every run that the 32-bit
# half is not installed, which 64-bit programs do not need.
exec "${VELTAR_WINE64:-/usr/lib/wine/wine64}" "$@"
