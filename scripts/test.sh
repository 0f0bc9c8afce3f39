#!/usr/bin/env bash
# Installs what is missing, checks the formatting of every C and C++ file, builds everything and
# runs every test: once in a release build, then the Windows cross build with its tests under
# Wine (against the release build's module and editor), once with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer. Then the tests that run threads against each
# other under ThreadSanitizer, and a bounded run of every fuzz target over its seed corpus (clang,
# libFuzzer, ASan and UBSan).
#
# VELTAR_SKIP_WINDOWS=1 leaves the Windows part out of a quick local run; CI (CI set) never
# skips it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

windows=1
[ "${VELTAR_SKIP_WINDOWS:-0}" = 1 ] && [ -z "${CI:-}" ] && windows=0
if [ "$windows" = 1 ]; then
  "$root/scripts/install-deps.sh" windows
else
  "$root/scripts/install-deps.sh"
fi

# Formatting first: it takes seconds, so a file that does not follow .clang-format fails the run
# before anything is built. The version is pinned, since another one formats some lines otherwise.
git -C "$root" ls-files -z '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' |
  (cd "$root" && xargs -0 clang-format-14 --dry-run --Werror)

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

# Windows: the third-party libraries (built once into a cache), the cross build, and its tests
# under Wine on a screen large enough for the editor at twice its size.
if [ "$windows" = 1 ]; then
  start=$SECONDS
  "$root/scripts/windows-deps.sh"
  win="$root/build-windows"
  cmake -S "$root" -B "$win" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELTAR_LINUX_BUILD="$root/build-tests" >/dev/null
  cmake --build "$win" -j"$jobs"
  xvfb-run -a -s "-screen 0 1600x1200x24" ctest --test-dir "$win" --output-on-failure -j"$jobs"
  # The build's Wine server would linger for a minute after the last program.
  WINEPREFIX="$win/wineprefix" wineserver -k 2>/dev/null || true
  echo "== Windows: $((SECONDS - start)) s"
fi

run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTAR_BENCH=OFF \
  -DVELTAR_SANITIZE=address,undefined -DVELTAR_JUCE_HOST=OFF

# ThreadSanitizer: only the concurrency tests, so the build stays small.
tsan="$root/build-tsan"
cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTAR_BENCH=OFF \
  -DVELTAR_SANITIZE=thread -DVELTAR_JUCE_HOST=OFF >/dev/null
cmake --build "$tsan" -j"$jobs" --target stress_tests graphics_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$tsan/tests/stress/stress_tests"
"$tsan/tests/framework/graphics/graphics_tests" --gtest_filter='*RaceFree*'

# Fuzz targets: a finding (crash, sanitizer report, broken invariant, hang) fails the run.
fuzz="$root/build-fuzz"
cmake -S "$root" -B "$fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTAR_TESTS=OFF -DVELTAR_BENCH=OFF -DVELTAR_FUZZ=ON \
  -DVELTAR_SANITIZE=address,undefined >/dev/null
cmake --build "$fuzz" -j"$jobs" --target veltar_fuzz
# ASan's quarantine of freed blocks grows with every run and would otherwise reach libFuzzer's
# memory limit on its own; a small quarantine keeps use-after-free detection for recent frees.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
for target in "$fuzz"/fuzz/fuzz_*; do
  name="$(basename "$target")"
  found="$(mktemp -d)"
  echo "== $name"
  if ! "$target" -max_total_time="${VELTAR_FUZZ_SECONDS:-45}" -timeout=25 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$fuzz/$name-" "$found" "$root/fuzz/corpus/$name" >"$found.log" 2>&1; then
    cat "$found.log"
    exit 1
  fi
  grep -E "^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec))" "$found.log"
  rm -rf "$found" "$found.log"
done
