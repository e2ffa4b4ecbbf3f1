#!/usr/bin/env bash
# Builds Velloxa (as scripts/build.sh does) and packs it as a Debian package in the build
# folder: velloxa_<version>_<arch>.deb. Install it with
#   sudo apt-get install ./build/velloxa_*.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
# CPack finds the programs with `file` and their library packages with dpkg-shlibdeps.
"$root/scripts/install-packages.sh" file dpkg-dev
"$root/scripts/build.sh"
cd "$build"
rm -f velloxa_*.deb
cpack >/dev/null
ls "$build"/velloxa_*.deb
