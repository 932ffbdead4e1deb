#!/usr/bin/env bash
# Builds and runs every benchmark (the targets of `benchmarks`) and prints
# their figures. Usage: scripts/benchmark.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target benchmarks --parallel "$(nproc)"

# Benchmarks run on the simulated driver's default cameras, on the offscreen
# platform, with a control socket of their own.
run_dir=$(mktemp -d)
trap 'rm -rf "$run_dir"' EXIT
export QT_QPA_PLATFORM=offscreen
export VYRASIM_CAMERAS=
export VYRASIM_CONTROL_SOCKET="$run_dir/vyrasim.sock"

status=0
while IFS= read -r benchmark; do
    echo "== ${benchmark#"$build"/}"
    "$benchmark" || { echo "(exited with status $?)"; status=1; }
    echo
done < <(find "$build/benchmarks" -type f -executable -name 'bench_*' | sort)
exit $status
