#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once in a release build, once
# with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

"$root/scripts/install-deps.sh"

display=()
command -v xvfb-run >/dev/null && display=(xvfb-run -a)

run_suite() {
  local build="$1"
  shift
  cmake -S "$root" -B "$build" "$@" >/dev/null
  cmake --build "$build" -j"$jobs"
  # The X11 editor tests need a display: a virtual one for the run (they skip without).
  "${display[@]}" ctest --test-dir "$build" --output-on-failure -j"$jobs"
}

run_suite "$root/build-tests" -DCMAKE_BUILD_TYPE=Release
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTAR_BENCH=OFF \
  -DVELTAR_SANITIZE=address,undefined
