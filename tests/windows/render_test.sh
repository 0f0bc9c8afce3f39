#!/usr/bin/env bash
# The Windows module under Wine renders the same input with the same settings as the Linux
# module, within 1e-6 of full scale (the C libraries' pow and exp may differ in the last bit);
# the report says how many samples came out identical.
#
#   render_test.sh WINE_RUN PREFIX RENDER.exe LINUX_BUILD OUT
#
# Skipped (77) without a Linux build to compare with.
set -euo pipefail
wine_run="$1" prefix="$2" render_exe="$3" linux="$4" out="$5"
linux_render="$linux/tests/plugin/veltar_module_render"
[ -x "$linux_render" ] || { echo "no Linux build to compare with: skipped"; exit 77; }

rm -rf "$out"
mkdir -p "$out"
# The input is made once, on Linux, so that both modules read the same bits.
"$linux_render" generate "$out/input.raw"
"$linux_render" render "$out/input.raw" "$out/linux.raw"
"$wine_run" "$prefix" "$render_exe" render "Z:$out/input.raw" "Z:$out/windows.raw"
"$linux_render" compare "$out/linux.raw" "$out/windows.raw" 1e-6
