#!/usr/bin/env bash
# What a Windows user installs, on a fresh Wine "machine": the zip holds the bundle; the
# installer, run silently (/S), puts the bundle into C:\Program Files\Common Files\VST3\ and
# registers its uninstaller; the installed module loads; the uninstaller takes it all away again.
# Installed into a folder whose name is not ASCII, the editor still finds its images and fonts
# and draws as the Linux one does.
#
#   install_test.sh WINE_RUN PREFIX PACKAGES_BASE BUNDLE GEN_MODULEINFO.exe EDITOR_HOST.exe DOCS OUT
#
# Skipped (77) without an X display.
set -euo pipefail
wine_run="$1" prefix="$2" packages="$3" bundle="$4" gen_moduleinfo="$5" host="$6" docs="$7"
out="$8"
[ -n "${DISPLAY:-}" ] || { echo "no X display: skipped"; exit 77; }
# Wine reads the command line in the locale's character set.
export LC_ALL=C.UTF-8

fail() {
  echo "FAILED: $*"
  exit 1
}
cleanup() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

rm -rf "$out" "$prefix"
mkdir -p "$out"
win() { "$wine_run" "$prefix" "$@"; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillstoneAudio VELTAR'
vst3="$prefix/drive_c/Program Files/Common Files/VST3"

# The zip: the bundle as it was built, file for file.
python3 - "$packages.zip" "$bundle" <<'PY'
import os, sys, zipfile
names = {n.rstrip("/") for n in zipfile.ZipFile(sys.argv[1]).namelist()}
root = os.path.dirname(sys.argv[2])
built = set()
for folder, _, files in os.walk(sys.argv[2]):
    for f in files:
        built.add(os.path.relpath(os.path.join(folder, f), root))
missing = built - names
if missing or "VELTAR.vst3/Contents/x86_64-win/VELTAR.vst3" not in names:
    sys.exit("the zip lacks " + ", ".join(sorted(missing)))
PY

# Silent install into the standard folder; the installed bundle is the built one.
win "$packages.exe" /S
[ -f "$vst3/VELTAR.vst3/Contents/x86_64-win/VELTAR.vst3" ] || fail "nothing in $vst3"
diff -r "$bundle" "$vst3/VELTAR.vst3" >/dev/null || fail "the installed bundle differs from the built one"
win reg.exe query "$uninstall_key" >/dev/null || fail "no uninstaller registered"

# The installed module loads as hosts load it, and describes itself as the built one does.
win "$gen_moduleinfo" "C:/Program Files/Common Files/VST3/VELTAR.vst3" "Z:$out/moduleinfo.json"
cmp -s "$out/moduleinfo.json" "$bundle/Contents/Resources/moduleinfo.json" ||
  fail "the installed module describes itself differently"

# The uninstaller leaves nothing behind. (It hands over to a copy of itself and ends at once,
# as NSIS uninstallers do; the copy's work is awaited.)
win "$prefix/drive_c/Program Files/QuillstoneAudio/VELTAR/Uninstall VELTAR.exe" /S
for _ in $(seq 300); do
  [ -e "$vst3/VELTAR.vst3" ] || [ -e "$prefix/drive_c/Program Files/QuillstoneAudio" ] || break
  sleep 0.1
done
[ ! -e "$vst3/VELTAR.vst3" ] || fail "the uninstaller left the bundle"
[ ! -e "$prefix/drive_c/Program Files/QuillstoneAudio" ] || fail "the uninstaller left itself"
! win reg.exe query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left its registry key"

# Into a folder of the user's choice whose name is not ASCII: the editor shows as on Linux.
# (NSIS takes /D= unquoted, so the name has no space; "Program Files" above has one.)
folder="Plug-ins-Ünïcødé"
win "$packages.exe" /S "/D=C:\\$folder"
[ -f "$prefix/drive_c/$folder/VELTAR.vst3/Contents/x86_64-win/VELTAR.vst3" ] ||
  fail "nothing in C:\\$folder"
log="$out/host.log"
: >"$log"
mkfifo "$out/commands"
exec 3<>"$out/commands"
win "$host" "C:/$folder/VELTAR.vst3" "Z:$log" <&3 >"$out/host.out" 2>&1 &
pid=$!
for _ in $(seq 600); do
  grep -q "^opened" "$log" && break
  kill -0 "$pid" 2>/dev/null || fail "the host ended: $(cat "$log")"
  sleep 0.1
done
ae=""
for _ in $(seq 150); do
  import -silent -window root -crop 352x568+0+0 +repage "$out/unicode-folder.png"
  ae="$(compare -metric AE "$out/unicode-folder.png" "$docs/snapshot-default.png" null: 2>&1 || true)"
  [ "$ae" = 0 ] && break
  sleep 0.2
done
echo quit >&3
wait "$pid" || true
[ "$ae" = 0 ] || fail "the editor installed under C:\\$folder differs from the Linux one in $ae pixels"
echo "the zip and the installer put a working VELTAR.vst3 where Windows hosts look"
