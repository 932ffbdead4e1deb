#!/usr/bin/env bash
# Measures the whole application on the simulated camera under Xvfb and
# prints the results as Markdown tables, headed by a description of the
# machine (docs/performance.md holds a run of it).
# Usage: scripts/app-benchmarks.sh [live|sequence|exposure|startup|memory|trigger|record|fullspeed|all] [seconds]
#   seconds: how long each live and sequence measurement runs (default 10);
#   the memory run keeps a live sequence going for 600 s (VYRA_MEMORY_SECONDS);
#   each recording runs 60 s (VYRA_RECORD_SECONDS) and its images, up to
#   12 GB for TIFF at the highest rate, are deleted after it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
what=${1:-all}
seconds=${2:-10}
latency="$build/benchmarks/app/vyra-triggerlatency"

# Inside a network namespace of its own: Aravis' fake GigE camera on loopback,
# then the trigger latency on it.
if [[ "${TRIGGER_SESSION:-}" == 1 ]]; then
    ip link set lo up
    arv-fake-gv-camera-0.8 -i 127.0.0.1 >/dev/null 2>&1 &
    fake=$!
    trap 'kill $fake 2>/dev/null || true' EXIT
    sleep 2
    arv-tool-0.8 -n Aravis-Fake-GV01 control Width=1280 Height=1024 PixelFormat=RGB8 >/dev/null
    VYRA_DRIVER=aravis xvfb-run -a -s "-screen 0 1920x1080x24" "$latency" Fake 50 2>/dev/null | grep '^|'
    exit 0
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" >/dev/null
cmake --build "$build" --target appbench vyra-triggerlatency --parallel "$(nproc)" >/dev/null
bench="$build/benchmarks/app/appbench"

# A settings folder and control socket of their own; the default cameras.
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT
export XDG_CONFIG_HOME="$session" VYRASIM_CONTROL_SOCKET="$session/vyrasim.sock" VYRASIM_CAMERAS=

onscreen() {
    xvfb-run -a -s "-screen 0 1920x1080x24" "$@" 2>/dev/null
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB, $(. /etc/os-release && echo "$PRETTY_NAME"), Qt $(qmake -query QT_VERSION 2>/dev/null || echo 5)."
echo

if [[ $what == all || $what == live ]]; then
    echo "Live view, whole process, ${seconds} s each:"
    echo
    echo "| image | frame rate asked | camera fps | dock width | images shown per s | CPU % of one core |"
    echo "|---|---|---|---|---|---|"
    for device in 1 2; do
        for fps in 30 max; do
            for dock in 400 1200; do
                onscreen "$bench" live "$device" "$fps" "$dock" "$seconds"
            done
        done
    done
    echo
fi

if [[ $what == all || $what == sequence ]]; then
    echo "A running sequence, Live, dock 400 pixels, ${seconds} s each:"
    echo
    echo "| sets | fps asked | camera fps | images shown per s | highlighted set matches the image's set | CPU % of one core |"
    echo "|---|---|---|---|---|---|"
    for sets in 3 32; do
        for fps in 5 10 40; do
            onscreen "$bench" sequence "$sets" "$fps" "$seconds" || true
        done
    done
    echo
fi

if [[ $what == all || $what == exposure ]]; then
    echo "A three-set sequence, Live, with histogram, clipping marks and the high dynamic range view (fused or radiance) on or off, ${seconds} s each:"
    echo
    echo "| views | fps | images shown per s | cycles shown per s | cycles shown of those completed | CPU % of one core |"
    echo "|---|---|---|---|---|---|"
    for round in 1 2; do
        for fps in 5 10 max; do
            for views in none all radiance; do
                onscreen "$bench" exposure-views "$views" "$fps" "$seconds" || true
            done
        done
    done
    echo
fi

if [[ $what == all || $what == startup ]]; then
    echo "Start-up, from process start to the first image shown (camera dialog answered at once):"
    echo
    echo "| run | ms |"
    echo "|---|---|"
    for run in 1 2 3 4 5; do
        # The virtual screen is up before the clock starts.
        onscreen bash -c 'start=$(date +%s%3N); shown=$("$0" startup); echo $((shown - start))' "$bench" |
            sed "s/^/| $run | /; s/\$/ |/"
    done
    echo
fi

if [[ $what == all || $what == trigger ]]; then
    echo "Trigger to screen with Live off, three sets of 5, 15 and 30 ms, 50 presses, ms:"
    echo
    echo "| camera | presses | first press | median | 95th percentile | slowest |"
    echo "|---|---|---|---|---|---|"
    onscreen "$latency" VK-1240C 50
    if command -v arv-fake-gv-camera-0.8 >/dev/null && command -v ip >/dev/null &&
        unshare -rn --pid --kill-child --mount-proc true 2>/dev/null; then
        TRIGGER_SESSION=1 unshare -rn --pid --kill-child --mount-proc "$0" trigger
    fi
fi

if [[ $what == all || $what == record ]]; then
    record_seconds=${VYRA_RECORD_SECONDS:-60}
    echo "Recording through Record..., until stopped after ${record_seconds} s (Live on for the sequence):"
    echo
    echo "| what | format | images delivered | images written | missing between the first and last written | of those dropped by the full queue | sensor frames without a free driver buffer | MB/s written | s to write the rest | CPU % of one core |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    for format in tiff png; do
        for device in 1 2; do
            onscreen "$bench" record "$device" max "$format" "$record_seconds" "$session/recordings" || true
        done
        onscreen "$bench" record-sequence 3 10 "$format" "$record_seconds" "$session/recordings" || true
    done
    echo
fi

if [[ $what == all || $what == fullspeed ]]; then
    record_seconds=${VYRA_RECORD_SECONDS:-60}
    echo "A three-set sequence (1, 4, 16 ms) at the camera's highest rate, recorded as TIFF for ${record_seconds} s, then live video at the same rate as long:"
    echo
    echo "| image | camera fps | images by the camera's clock | delivered | lost | written | mislabelled | CPU % recording | live: images shown per s | live: CPU % |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    for profile in full 640x480; do
        onscreen "$bench" full-speed 1,4,16 max "$profile" tiff "$record_seconds" "$session/recordings" || true
    done
    echo
fi

if [[ $what == all || $what == memory ]]; then
    echo "Memory (resident), after one warm-up round each:"
    echo
    echo "| what | resident after | resident growth | heap in use growth |"
    echo "|---|---|---|---|"
    onscreen "$bench" memory "${VYRA_MEMORY_SECONDS:-600}" 1000 200
fi
