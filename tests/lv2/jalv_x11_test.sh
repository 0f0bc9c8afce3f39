#!/bin/bash
# jalv.gtk3, the LV2 reference host, runs VELTAR from the build folder on a JACK server with the
# dummy driver and opens its editor: the X11 UI must appear inside jalv's window at its own size,
# the host must still be running (processing audio) a few seconds later, it must have loaded the
# factory preset named on its command line, and it must have read the meters' output ports.
# Usage: jalv_x11_test.sh LV2_PATH. Exit 77 (skipped) without a display.
set -u
lv2path=$1
[ -n "${DISPLAY:-}" ] || { echo "no X display"; exit 77; }
for tool in jackd jalv.gtk3 xwininfo stdbuf; do
  command -v "$tool" > /dev/null || { echo "missing $tool"; exit 1; }
done

work=$(mktemp -d)
export JACK_NO_AUDIO_RESERVATION=1 JACK_DEFAULT_SERVER="veltar_lv2_$$"
jackd --no-realtime -d dummy -r 48000 -p 256 > "$work/jack.log" 2>&1 &
jack=$!
host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2> /dev/null && wait "$host" 2> /dev/null
  kill "$jack" 2> /dev/null && wait "$jack" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
sleep 1

LV2_PATH=$lv2path stdbuf -oL jalv.gtk3 --print-controls \
  --preset 'urn:com.QuillstoneAudio:VELTAR#preset-warm-tube' urn:com.QuillstoneAudio:VELTAR \
  > "$work/jalv.log" 2>&1 &
host=$!
# The editor is a 352x568 child window of jalv's own 352x568 socket window.
found=""
for _ in $(seq 1 50); do
  if xwininfo -root -tree | grep -A2 '"jalv.gtk3": ("jalv.gtk3"[^)]*)  352x568' |
       grep -q '(has no name): ()  352x568'; then
    found=yes
    break
  fi
  sleep 0.2
done
sleep 2
status=0
[ -n "$found" ] || { echo "the editor did not open in jalv's window"; status=1; }
kill -0 "$host" 2> /dev/null || { echo "jalv is no longer running"; status=1; }
grep -q "^model = 0.000000" "$work/jalv.log" || { echo "jalv did not read the ports"; status=1; }
grep -q "^input = 18.000000" "$work/jalv.log" || { echo "jalv did not load the preset"; status=1; }
grep -q "^out_rms = -70.000000" "$work/jalv.log" || { echo "jalv did not read the meters"; status=1; }
[ $status -eq 0 ] || { cat "$work/jalv.log"; xwininfo -root -tree; }
exit $status
