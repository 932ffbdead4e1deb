#!/usr/bin/env bash
# vyra-sequencer-run measured beside the window and beside Aravis' own tool,
# in one run:
#  1. on the simulated camera, the three-set sequence of 1, 4 and 16 ms at
#     the camera's highest rate for it (51.15 images a second at 1280 x 1024,
#     the camera running the sequence itself), recorded as TIFF for the given seconds: by the runner (--seconds), then by the
#     window (Record..., build/benchmarks/app/appbench record-exposures, under
#     Xvfb). Images written, dropped by the writer, lost by the camera, the
#     time from the start to the first image written and CPU;
#  2. on Aravis' fake GigE camera (1280 x 1024 RGB8), in a network namespace
#     of its own: the runner streaming the same sequence without recording
#     (--no-record, 30 images a second, the sequence run by the driver), then
#     arv-camera-test-0.8 streaming the camera at 30 frames a second, each for the given seconds: images and CPU.
# CPU is each process's user and system time over its whole run (start-up
# included for the runner and arv-camera-test, the recording alone for the
# window) as a share of one core. Prints Markdown tables; docs/performance.md
# holds a run.
# Usage: scripts/measure-runner.sh [seconds]   (60 by default)
set -euo pipefail
[[ -n "${MEASURE_TRACE:-}" ]] && set -x
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build
runner=$build/sequencer/runner/vyra-sequencer-run
rate=max
aravis_rate=30
exposures=(1 4 16)

# A sequencer configuration of one set per exposure, varying Exposure, for
# the camera model given.
write_sequence() {
    local model=$1 file=$2 count=${#exposures[@]}
    {
        echo '<?xml version="1.0" encoding="UTF-8"?>'
        echo "<sequencerConfiguration version=\"1\" model=\"$model\" sets=\"$count\">"
        echo '  <enabledFeatures><feature id="1" name="Exposure"/></enabledFeatures>'
        for set in "${!exposures[@]}"; do
            echo "  <set index=\"$set\"><exposure milliseconds=\"${exposures[$set]}\"/><path index=\"0\" nextSet=\"$(((set + 1) % count))\" triggerSource=\"1\"/></set>"
        done
        echo '</sequencerConfiguration>'
    } >"$file"
}

# Runs a command; prints its user and system CPU seconds and its wall
# seconds. Its own output goes where the caller sends it.
cpu_and_wall() {
    local start end
    start=$(date +%s.%N)
    # `times` in a subshell: the subshell's, then its children's times.
    ( "$@" || true; times >&3 ) 3>&1 >/dev/null | awk -v start="$start" '
        function secs(t) { sub(/s$/, "", t); split(t, p, "m"); return p[1] * 60 + p[2] }
        NR == 2 { printf "%.3f ", secs($1) + secs($2) }'
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
}

json_field() {
    sed -n "s/.*\"$1\":\([^,}]*\).*/\1/p" "$2"
}

# Inside a network namespace of its own: Aravis' fake GigE camera on loopback.
# Arguments: seconds, the scratch folder.
if [[ "${RUNNER_ARAVIS_SESSION:-}" == 1 ]]; then
    work=$2
    arv-fake-gv-camera-0.8 -i 127.0.0.1 >/dev/null 2>&1 &
    fake=$!
    trap 'kill $fake 2>/dev/null || true' EXIT
    sleep 2
    arv-tool-0.8 -n Aravis-Fake-GV01 control Width=1280 Height=1024 PixelFormat=RGB8 \
        AcquisitionFrameRate=$aravis_rate >/dev/null
    export VYRA_DRIVER=aravis
    model=$("$runner" --list-cameras --json | sed -n 's/.*"model":"\([^"]*\)".*/\1/p')
    write_sequence "$model" "$work/fake.xml"
    read -r cpu wall < <(cpu_and_wall sh -c '"$0" --sequence "$1" --no-record --rate "$2" \
        --seconds "$3" --json >"$4" 2>"$4.err"' "$runner" "$work/fake.xml" "$aravis_rate" "$seconds" \
        "$work/fake.json")
    received=$(json_field images_received "$work/fake.json")
    lost=$(json_field lost "$work/fake.json")
    printf '| vyra-sequencer-run --no-record (3-set sequence, %s images/s) | %s | %s | %.1f |\n' \
        "$aravis_rate" "$received" "$lost" "$(awk -v c="$cpu" -v w="$wall" 'BEGIN { print 100 * c / w }')"
    read -r cpu wall < <(cpu_and_wall sh -c 'timeout -s INT "$0" arv-camera-test-0.8 \
        -n Aravis-Fake-GV01 -f "$1" >"$2" 2>&1' "$seconds" "$aravis_rate" "$work/camera-test.txt")
    received=$(sed -n 's/^n_completed_buffers *= *//p' "$work/camera-test.txt")
    missing=$(sed -n 's/^n_missing_frames *= *//p' "$work/camera-test.txt")
    printf '| arv-camera-test-0.8 -f %s (free run) | %s | %s | %.1f |\n' \
        "$aravis_rate" "$received" "$missing" "$(awk -v c="$cpu" -v w="$wall" 'BEGIN { print 100 * c / w }')"
    exit 0
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" >/dev/null
cmake --build "$build" --target vyra-sequencer-run appbench --parallel "$(nproc)" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work" VYRASIM_CONTROL_SOCKET=off VYRASIM_CAMERAS=

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
     "$(free -g | awk '/Mem:/ {print $2}') GiB, $(. /etc/os-release && echo "$PRETTY_NAME"), load $(cut -d' ' -f1 /proc/loadavg)."
echo
echo "Simulated camera, three sets of ${exposures[*]} ms at the camera's highest rate for them, TIFF, ${seconds} s:"
echo
echo "| program | images written | dropped by the writer | lost by the camera | s from the start to the first image written | CPU % of one core |"
echo "|---|---|---|---|---|---|"
write_sequence VK1240C "$work/sequence.xml"
start=$(date +%s.%N)
read -r cpu wall < <(cpu_and_wall sh -c '"$0" --sequence "$1" --out "$2" --rate "$3" \
    --seconds "$4" --json >"$5" 2>"$5.err"' "$runner" "$work/sequence.xml" "$work/runner" "$rate" \
    "$seconds" "$work/runner.json")
first=$(find "$work/runner" -name 'cycle-*' -printf '%T@\n' |
    awk 'NR == 1 || $1 < first { first = $1 } END { print first }')
printf '| vyra-sequencer-run (from the process start) | %s | %s | %s | %.2f | %.1f |\n' \
    "$(json_field images_written "$work/runner.json")" "$(json_field dropped "$work/runner.json")" \
    "$(json_field lost "$work/runner.json")" \
    "$(awk -v f="${first:-0}" -v s="$start" 'BEGIN { print (f > 0 ? f - s : -1) }')" \
    "$(awk -v c="$cpu" -v w="$wall" 'BEGIN { print 100 * c / w }')"
rm -rf "$work/runner"
xvfb-run -a -s "-screen 0 1920x1080x24" "$build/benchmarks/app/appbench" record-exposures \
    "$(IFS=,; echo "${exposures[*]}")" "$rate" tiff "$seconds" "$work/window" 2>/dev/null || true
echo

if command -v arv-fake-gv-camera-0.8 >/dev/null && command -v ip >/dev/null &&
    unshare -rn --pid --kill-child --mount-proc true 2>/dev/null; then
    echo "Aravis' fake GigE camera, 1280 x 1024 RGB8, ${seconds} s, no image written:"
    echo
    echo "| program | images received | images lost | CPU % of one core |"
    echo "|---|---|---|---|"
    RUNNER_ARAVIS_SESSION=1 unshare -rn --pid --kill-child --mount-proc \
        sh -c 'ip link set lo up && exec "$0" "$1" "$2"' "$0" "$seconds" "$work"
else
    echo "(no network namespace or no Aravis tools: the fake GigE camera is not measured)"
fi
