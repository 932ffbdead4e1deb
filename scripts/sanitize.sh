#!/usr/bin/env bash
# Builds the project with a sanitizer and runs the whole test suite in that
# build. Usage: scripts/sanitize.sh address|thread [ctest options...]
#   address: address and undefined-behaviour sanitizers, with the leak
#            checker (build-asan/)
#   thread:  thread sanitizer (build-tsan/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
    address) build="$root/build-asan" option=-DVYRA_SANITIZE=ON ;;
    thread) build="$root/build-tsan" option=-DVYRA_TSAN=ON ;;
    *) echo "usage: scripts/sanitize.sh address|thread [ctest options...]" >&2; exit 2 ;;
esac
shift
"$root/scripts/install-deps.sh"
# Benchmarks measure nothing useful with a sanitizer.
"$root/scripts/build.sh" "$build" "$option" -DVYRA_BUILD_BENCHMARKS=OFF
cd "$build"
ctest --output-on-failure --timeout 1800 -j "$(nproc)" "$@"
