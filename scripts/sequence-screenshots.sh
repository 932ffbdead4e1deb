#!/usr/bin/env bash
# Runs a sequence of three sets with the exposures 5, 15 and 30 ms in the
# application on the simulated camera, under Xvfb, and photographs the
# screen: the editor before the start, then the running sequence a few
# hundred milliseconds apart. For each picture it says which set is
# highlighted and how bright the shown image is: the highlight moves from
# shot to shot and the brightness follows the set's exposure.
# Usage: scripts/sequence-screenshots.sh [build-dir] [output-dir] [shots] [interval-ms]
set -euo pipefail
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
XDG_CONFIG_HOME="$session" VYRASIM_CONTROL_SOCKET="$session/vyrasim.sock" \
    xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$out" "${3:-6}" "${4:-300}"
echo "Screenshots in $out"
