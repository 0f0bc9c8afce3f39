#!/usr/bin/env bash
# Installs what is missing, builds the plug-in bundle and the renderer, and renders the built-in
# demo through the bundle loaded as a host loads it. Extra arguments go to veltar-render.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELTAR_TESTS=OFF -DVELTAR_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target VELTAR veltar-render
"$build/tools/veltar-render" "$@"
