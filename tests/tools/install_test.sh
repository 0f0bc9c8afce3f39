#!/usr/bin/env bash
# cmake --install of a built tree: where things land is decided at install time (the user's
# folders without --prefix, P/lib/vst3, P/lib/lv2, P/share/vst3/presets and P/bin with --prefix P),
# DESTDIR is honoured, and each installed renderer finds the bundle installed with it. Everything
# goes under DESTDIR in a temporary folder, so a fault cannot write into the machine's own folders.
set -euo pipefail
build="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The user install: HOME decides, at install time.
home="$tmp/home"
mkdir -p "$home"
HOME="$home" DESTDIR="$tmp/user" cmake --install "$build" >/dev/null
for f in .vst3/VELTAR.vst3/Contents/x86_64-linux/VELTAR.so .lv2/VELTAR.lv2/manifest.ttl \
         ".vst3/presets/QuillstoneAudio/VELTAR/Warm Tube.vstpreset" .local/bin/veltar-render \
         .local/share/man/man1/veltar-render.1; do
  [ -e "$tmp/user$home/$f" ] || fail "user install lacks ~/$f"
done
[ -z "$(find "$tmp/user" -path "$tmp/user$home" -prune -o -type f -print)" ] ||
  fail "user install wrote outside HOME"

# A prefix given at install time, under DESTDIR.
HOME="$home" DESTDIR="$tmp/dest" cmake --install "$build" --prefix /usr >/dev/null
for f in lib/vst3/VELTAR.vst3/Contents/x86_64-linux/VELTAR.so lib/lv2/VELTAR.lv2/manifest.ttl \
         "share/vst3/presets/QuillstoneAudio/VELTAR/Warm Tube.vstpreset" bin/veltar-render \
         share/man/man1/veltar-render.1; do
  [ -e "$tmp/dest/usr/$f" ] || fail "prefix install lacks /usr/$f"
done
[ ! -e "$tmp/dest$home" ] || fail "prefix install wrote into HOME"

# Installed renderers find their bundles: in ../lib/vst3 of the prefix, in ~/.vst3 of the user.
version="$(HOME=/nonexistent "$tmp/dest/usr/bin/veltar-render" --version)"
grep -q "from $tmp/dest/usr/lib/vst3/VELTAR.vst3" <<<"$version" || fail "prefix: $version"
version="$(HOME="$tmp/user$home" "$tmp/user$home/.local/bin/veltar-render" --version)"
grep -q "from $tmp/user$home/.vst3/VELTAR.vst3" <<<"$version" || fail "user: $version"
echo "install rules ok"
