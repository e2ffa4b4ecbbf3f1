#!/usr/bin/env bash
# Configures and builds into ./build (or $VELLOXA_BUILD_DIR). Warnings are errors under CI;
# elsewhere the folder keeps whatever it was configured with, so the test and demo commands
# share one build instead of rebuilding each other's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
options=(-DCMAKE_BUILD_TYPE=Release)
[ "${CI:-}" = "true" ] && options+=(-DVELLOXA_WERROR=ON)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
