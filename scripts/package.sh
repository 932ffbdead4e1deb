#!/usr/bin/env bash
# Builds the Debian package of Vyra Sequencer: the program with both camera
# drivers (simulated and Aravis), the simulator's control tool, the desktop
# entry, the icon and the manual pages, its dependencies taken from the
# libraries it links (cmake/package.cmake). `lintian` on it prints nothing.
# Usage: scripts/package.sh [build-dir] [output-dir]
# Install it with: apt install ./vyra-sequencer_<version>-<revision>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/packages}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
mkdir -p "$out"
out=$(cd "$out" && pwd)
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/vyra-sequencer_*.deb
