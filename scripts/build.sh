#!/usr/bin/env bash
# Configures and builds into ./build (or $VELLOXA_BUILD_DIR). Warnings are errors under CI.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELLOXA_WERROR=$werror >/dev/null
cmake --build "$build" -j"$(nproc)"
