#!/usr/bin/env bash
# The Windows editor under Wine, as a user meets it in a host: shown in the host's window, its
# screen held pixel for pixel against the Linux editor's pictures, knobs dragged, wheeled and
# double-clicked with xdotool and the edits read from the host's log, a key passed on to the
# host, the panel menu's zoom entries, closing and reopening, and the host's content scale.
#
#   editor_test.sh WINE_RUN PREFIX HOST.exe BUNDLE LINUX_BUILD DOCS OUT
#
# Waits for what it expects (a log line, a matching screen) rather than for time to pass; every
# wait is bounded. Skipped (77) without an X display or a Linux build to compare with.
set -euo pipefail
wine_run="$1" prefix="$2" host="$3" bundle="$4" linux="$5" docs="$6" out="$7"

[ -n "${DISPLAY:-}" ] || { echo "no X display: skipped"; exit 77; }
[ -x "$linux/tools/veltar-render" ] || { echo "no Linux build to compare with: skipped"; exit 77; }
command -v xdotool >/dev/null && command -v import >/dev/null

rm -rf "$out"
mkdir -p "$out"
log="$out/host.log"
: >"$log"
mkfifo "$out/commands"
exec 3<>"$out/commands"

cleanup() {
  echo quit >&3 || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  # The prefix's Wine server and desktop belong to this display, which ends with the test run.
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
fail() {
  echo "FAILED: $*"
  echo "--- host log"
  cat "$log"
  exit 1
}

"$wine_run" "$prefix" "$host" "Z:$bundle" "Z:$log" <&3 >"$out/host.out" 2>&1 &
pid=$!
trap cleanup EXIT

# wait_for REGEX: until a log line matches (bounded).
wait_for() {
  for _ in $(seq 600); do
    grep -qE "$1" "$log" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the host ended while waiting for '$1'"
    sleep 0.1
  done
  fail "no '$1' in the host's log"
}
# last_value ID: the normalised value of the last edit of parameter ID.
last_value() {
  grep -E "^perform $1 " "$log" | tail -1 | cut -d' ' -f3
}
# screen_matches NAME REFERENCE: until the screen's top left corner, the size of REFERENCE, is
# REFERENCE pixel for pixel (bounded); the last capture and its difference stay in OUT.
screen_matches() {
  local name="$1" ref="$2" size ae=""
  size="$(identify -format '%wx%h' "$ref")"
  for _ in $(seq 150); do
    import -silent -window root -crop "$size+0+0" +repage "$out/$name.png"
    ae="$(compare -metric AE "$out/$name.png" "$ref" "$out/$name-diff.png" 2>&1 || true)"
    [ "$ae" = 0 ] && return 0
    sleep 0.2
  done
  fail "$name: $ae pixels differ from $ref (see $out/$name-diff.png)"
}
# screen_changes NAME GEOMETRY PICTURE: until that part of the screen differs from the same part
# of PICTURE (something opened over it); the capture stays in OUT.
screen_changes() {
  local name="$1" geometry="$2" picture="$3"
  convert "$picture" -crop "$geometry" +repage "$out/$name-before.png"
  for _ in $(seq 150); do
    import -silent -window root -crop "$geometry" +repage "$out/$name.png"
    [ "$(compare -metric AE "$out/$name.png" "$out/$name-before.png" null: 2>&1 || true)" != 0 ] &&
      return 0
    sleep 0.2
  done
  fail "$name: nothing appeared"
}
# linux_snapshot NAME ARGS...: the Linux editor's picture with those settings.
linux_snapshot() {
  local name="$1"
  shift
  "$linux/tools/veltar-render" --snapshot "$out/$name-linux.png" "$@" -q
  echo "$out/$name-linux.png"
}
# Plain values of the knobs from the normalised values the host saw (Input has shape 2).
input_db() { awk -v v="$1" 'BEGIN { printf "%.9f", 24 * v * v }'; }
output_db() { awk -v v="$1" 'BEGIN { printf "%.9f", -24 + 48 * v }'; }

wait_for "^opened 352 568$"
screen_matches default "$docs/snapshot-default.png"

# A drag up the Input knob (its centre is at 176, 93) is one edit gesture the host sees.
xdotool mousemove 176 93 mousedown 1 mousemove 176 80 mousemove 176 50 mouseup 1
wait_for "^end 0$"
grep -qE "^begin 0$" "$log" || fail "no begin-edit before the drag's edits"
input="$(last_value 0)"
[ -n "$input" ] && awk -v v="$input" 'BEGIN { exit !(v > 0) }' || fail "the drag moved nothing"
screen_matches dragged "$(linux_snapshot dragged --set "Input=$(input_db "$input")")"

# A wheel step over the Output knob (centre 176, 261).
xdotool mousemove 176 261 click 4
wait_for "^perform 1 "
output="$(last_value 1)"
screen_matches wheeled "$(linux_snapshot wheeled --set "Input=$(input_db "$input")" \
  --set "Output=$(output_db "$output")")"

# A double-click on the Input knob puts it back to its default. (Two clicks count as one
# double-click only within Windows' double-click time; on a busy machine the X server may stamp
# them further apart, so the gesture is tried again.)
for _ in $(seq 5); do
  xdotool mousemove 176 93 click --repeat 2 --delay 100 1
  for _ in $(seq 30); do
    grep -qE "^perform 0 0\.000000000$" "$log" && break 2
    sleep 0.1
  done
done
wait_for "^perform 0 0\.000000000$"
screen_matches double-clicked "$(linux_snapshot double-clicked \
  --set "Output=$(output_db "$output")")"

# A key the editor has no use for reaches the host's window.
xdotool key a
wait_for "^key 65$"

# The panel's right-click menu: its zoom entries, the current one ticked; the keyboard picks
# "Zoom 200%" and the host is asked for the larger size.
xdotool mousemove 20 20 click 3
screen_changes panel-menu 200x120+0+0 "$out/double-clicked.png"
xdotool key Down Down Down Return
wait_for "^resize 704 1136$"
screen_matches zoomed "$(linux_snapshot zoomed --scale 2 --set "Output=$(output_db "$output")")"

# Closing and reopening keep the values and the zoom; the host's content scale sizes it back.
echo close >&3
wait_for "^closed$"
echo open >&3
wait_for "^opened 704 1136$"
screen_matches reopened "$out/zoomed-linux.png"
echo "scale 1" >&3
wait_for "^resize 352 568$"
screen_matches rescaled "$out/double-clicked-linux.png"

# The host tears its window down before removing the view: the editor closes with it.
echo teardown >&3
wait_for "^quit$"
echo "the Windows editor behaved as the Linux one in every step"
