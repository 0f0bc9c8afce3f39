#!/usr/bin/env bash
# The editor's text drawn by the Windows build under Wine (FreeType, with the fonts the bundle
# carries) is the Linux build's (FreeType, with the fonts fontconfig finds) pixel for pixel.
#
#   text_test.sh WINE_RUN PREFIX TEXT_SAMPLE.exe LINUX_BUILD OUT
#
# Skipped (77) without a Linux build to compare with.
set -euo pipefail
wine_run="$1" prefix="$2" sample_exe="$3" linux="$4" out="$5"
linux_sample="$linux/tests/framework/graphics/veltar_text_sample"
[ -x "$linux_sample" ] || { echo "no Linux build to compare with: skipped"; exit 77; }
rm -rf "$out"
mkdir -p "$out"
"$linux_sample" "$out/linux.png"
"$wine_run" "$prefix" "$sample_exe" "Z:$out/windows.png"
ae="$(compare -metric AE "$out/windows.png" "$out/linux.png" "$out/difference.png" 2>&1 || true)"
[ "$ae" = 0 ] || { echo "FAILED: $ae pixels differ (see $out/difference.png)"; exit 1; }
echo "the text is the same pixels on both"
