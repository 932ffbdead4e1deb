#!/usr/bin/env bash
# Runs a sequence of three sets with the exposures 5, 15 and 30 ms in the
# application on the simulated camera, under Xvfb, and photographs the
# screen: the editor before the start, then the running sequence a few
# hundred milliseconds apart. For each picture it says which set is
# highlighted and how bright the shown image is: the highlight moves from
# shot to shot and the brightness follows the set's exposure.
# With --layout it photographs the editor as a person first sees it: six sets
# with all five features, the trigger source, flash mode and next-set lists
# opened, and an exposure typed beyond the camera's limit.
# With --exposure it photographs a running 2/20/150 ms bracket with the
# histogram, clipping marks and the fused view, then 100 % zoom with the
# pixel under the mouse read out, then the bracket's radiance into the
# highlights (-4 stops), as merged and into the shadows (+4 stops).
# With --generate it photographs a first start, then Generate Sets… making a
# five-set bracket of 1 ms one stop apart, the ring in the set titles and the
# status bar, and a set the path leaves out.
# VYRA_SCREEN sets the virtual screen (default 1280x800); QT_SCALE_FACTOR=2
# shows the application at twice its size.
# Usage: scripts/sequence-screenshots.sh [--layout|--exposure|--generate] [build-dir] [output-dir] [shots] [interval-ms]
set -euo pipefail
layout=()
if [[ "${1:-}" == "--layout" || "${1:-}" == "--exposure" || "${1:-}" == "--generate" ]]; then
    layout=("$1")
    shift
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=$(realpath -m "${2:-$build/screenshots}")
tool="$build/tools/sequence-shots/vyra-sequence-shots"
[[ -x "$tool" ]] || { echo "No $tool: build first (scripts/build.sh)." >&2; exit 1; }
mkdir -p "$out"

# A settings folder and control socket of its own, so a stored layout does
# not change the pictures and a running application is left alone.
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
screen=${VYRA_SCREEN:-1280x800}
if [[ ${#layout[@]} -gt 0 ]]; then
    XDG_CONFIG_HOME="$session" VYRASIM_CONTROL_SOCKET="$session/vyrasim.sock" \
        xvfb-run -a -s "-screen 0 ${screen}x24" "$tool" "${layout[0]}" "$out"
else
    XDG_CONFIG_HOME="$session" VYRASIM_CONTROL_SOCKET="$session/vyrasim.sock" \
        xvfb-run -a -s "-screen 0 ${screen}x24" "$tool" "$out" "${3:-6}" "${4:-300}"
fi
echo "Screenshots in $out"
