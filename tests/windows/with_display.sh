#!/usr/bin/env sh
# with_display.sh PROGRAM [ARG...]: runs a program that opens windows; skipped (77) without an X
# display.
[ -n "${DISPLAY:-}" ] || { echo "no X display: skipped"; exit 77; }
exec "$@"
