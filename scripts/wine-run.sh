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
  # Runs until it has been idle for a minute (and gives up at once when one is running already);
  # it must not hold the lock.
  wineserver -p60 </dev/null >/dev/null 2>&1 9>&- &
) 9>"$WINEPREFIX.lock"
# The program's output goes through files: Wine's background processes (services, devices, the
# desktop), started by whichever program needs them first, inherit its output and would keep a
# caller's pipe open long after the program ended. The 64-bit loader is run itself: Debian's
# wine script would remark on every run that the 32-bit half, which 64-bit programs do not
# need, is not installed.
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
status=0
"${VELTAR_WINE64:-/usr/lib/wine/wine64}" "$@" >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
