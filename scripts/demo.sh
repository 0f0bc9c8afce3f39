#!/usr/bin/env bash
# Installs what is missing, builds the plug-in bundle and the renderer, and renders the built-in
# demo through the bundle loaded as a host loads it, into the build folder. Extra arguments go to
# veltar-render. It sets no cached switches, so the same build folder serves the tests and the
# benchmarks afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target VELTAR veltar-render
"$build/tools/veltar-render" --demo --out "$build/veltar-demo.wav" "$@"
