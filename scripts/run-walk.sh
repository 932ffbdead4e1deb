#!/usr/bin/env bash
# A long random walk of user actions through the window on the simulated
# camera, checking after every step that the window and the camera agree
# (tests/ui/tst_runwalk.cpp). Prints the steps, the violations found and the
# time taken. Usage: scripts/run-walk.sh [steps] [seed] [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
steps=${1:-20000}
seed=${2:-$RANDOM}
build=${3:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "walk of $steps steps, seed $seed"
# The test's own settings store, control socket and camera set, as under CTest.
status=0
HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=offscreen \
    VYRASIM_CONTROL_SOCKET=walk.sock VYRASIM_CAMERAS= \
    VYRA_WALK_STEPS="$steps" VYRA_WALK_SEED="$seed" QTEST_FUNCTION_TIMEOUT=86400000 \
    "$build/tests/ui/tst_runwalk" -maxwarnings 0 >"$work/walk.log" 2>&1 || status=$?
grep -E "^QINFO .*steps|^FAIL|^   Loc|^(Trigger|the |a |one |shown|stopped|no |configuration|action)" \
    "$work/walk.log" | sed 's/^QINFO  : TestRunWalk::walk([^)]*) //' || true
if [[ $status -ne 0 ]]; then
    cp "$work/walk.log" "$build/walk-$seed.log"
    echo "violations found (exit status $status); the whole log: $build/walk-$seed.log"
    exit 1
fi
echo "no violation"
