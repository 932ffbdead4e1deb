#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite; then
# builds the application without OpenCV and OpenEXR and runs the tests that
# show what that build lacks (the fused picture, the response calibration,
# OpenEXR files) and that the radiance, its merge and its view in the "High
# dynamic range" dock, does without them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
cd "$root/build"
ctest --output-on-failure --timeout 600 -j "$(nproc)"

# Only the application, its window tests, the tests of what fusion and
# OpenEXR would add and of the radiance view, in a folder of the build folder.
without="$root/build/without-opencv"
cmake -S "$root" -B "$without" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYRA_OPENCV=OFF \
    -DVYRA_OPENEXR=OFF -DVYRA_ARAVIS=OFF -DVYRA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$without" --parallel "$(nproc)" \
    --target vyra-sequencer tst_mainwindow tst_imageinspection tst_radiancemerge tst_radiancefiles \
    tst_hdrview
cd "$without"
ctest --output-on-failure --timeout 600 -j "$(nproc)" \
    -R '^(tst_mainwindow|tst_imageinspection|tst_radiancemerge|tst_radiancefiles|tst_hdrview)$'
