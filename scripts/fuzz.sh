#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them.
#
#   scripts/fuzz.sh sequencerxml [seconds]   the sequencer configuration (.xml) decoder
#   scripts/fuzz.sh parameterset [seconds]   the camera configuration (.ini) parser
#
# Each run lasts 600 seconds unless told otherwise. The build lives in
# build-fuzz/ (or $VYRA_FUZZ_BUILD); the corpus grows in build-fuzz/corpus/<target>
# from the seeds in fuzz/corpus/<target>; a crashing input lands in
# build-fuzz/artifacts/<target>/. Copy a crashing input into
# fuzz/regressions/<target>/ once it is fixed: the test suite replays them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VYRA_FUZZ_BUILD:-$root/build-fuzz}

usage() {
    sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
}

target=${1:-}
seconds=${2:-600}
case "$target" in
    sequencerxml|parameterset) ;;
    *) usage ;;
esac
[[ "$seconds" =~ ^[0-9]+$ ]] || usage

"$root/scripts/install-deps.sh" --fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVYRA_FUZZ=ON -DVYRA_BUILD_TESTS=OFF \
    -DVYRA_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "fuzz_$target" --parallel 2

corpus="$build/corpus/$target"
artifacts="$build/artifacts/$target"
mkdir -p "$corpus" "$artifacts"
dict=()
[[ -f "$root/fuzz/$target.dict" ]] && dict=(-dict="$root/fuzz/$target.dict")

exec "$build/fuzz/fuzz_$target" "${dict[@]}" -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$root/fuzz/corpus/$target"
