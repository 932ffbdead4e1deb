#!/usr/bin/env bash
# The live view on Aravis' fake GigE Vision camera at 1280 x 1024 RGB8 and 30
# frames per second, in one run: first the whole application (its main window
# on the Aravis driver, build/benchmarks/aravis/vyra-liveview), then Aravis'
# own viewer on the same camera. Prints images shown per second and CPU for
# both; screenshots land in build/measure-*.png.
# Usage: scripts/measure-aravis.sh [seconds]   (20 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}

# Runs on the virtual display, in a network namespace of its own when the
# system allows one (so that the camera meets nobody else's).
if [[ "${MEASURE_SESSION:-}" == 1 ]]; then
    work=$(mktemp -d)
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
    cpu_ticks() { cut -d' ' -f14,15 "/proc/$1/stat" | awk '{print $1 + $2}'; }

    arv-fake-gv-camera-0.8 -i 127.0.0.1 >/dev/null 2>&1 &
    pids+=($!)
    sleep 2
    arv-tool-0.8 -n Aravis-Fake-GV01 control Width=1280 Height=1024 PixelFormat=RGB8 \
        AcquisitionFrameRate=30 >/dev/null

    # The application opens the camera, sets 30 frames per second and goes live.
    echo "== Vyra Sequencer on the Aravis driver"
    XDG_CONFIG_HOME=$work VYRA_DRIVER=aravis VYRA_ARAVIS_STATISTICS=$work/statistics \
        "$root/build/benchmarks/aravis/vyra-liveview" Fake "$seconds" &
    app=$!
    pids+=($app)
    sleep $((seconds / 2 + 5))
    import -window root "$root/build/measure-application.png"
    wait $app
    # The driver's counters: images the camera sent, images the application took.
    awk 'NR == 1 { t0 = $1; r0 = $3; d0 = $4 } { t1 = $1; r1 = $3; d1 = $4 }
         END { printf "driver: %.1f images received per second, %.1f converted by the application\n",
               (r1 - r0) / (t1 - t0), (d1 - d0) / (t1 - t0) }' "$work/statistics"

    # Aravis' viewer: the fake GigE camera (the second row of its list), then play.
    echo "== arv-viewer-0.8"
    arv-viewer-0.8 >/dev/null 2>&1 &
    viewer=$!
    pids+=($viewer)
    window=$(xdotool search --sync --onlyvisible --pid $viewer | head -1)
    sleep 3
    xdotool mousemove --window "$window" 140 117 click 1
    sleep 1
    xdotool mousemove --window "$window" 78 276 click 1
    sleep 5
    import -window root "$root/build/measure-viewer-start.png"
    start=$(cpu_ticks $viewer)
    sleep "$seconds"
    end=$(cpu_ticks $viewer)
    import -window root "$root/build/measure-viewer.png"
    awk -v t0="$start" -v t1="$end" -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN {
        printf "CPU: %.1f %% of one core\n", 100 * (t1 - t0) / hz / s }'
    echo "images shown per second: as its status line shows (build/measure-viewer.png;" \
         "the image count there against build/measure-viewer-start.png)"
    exit 0
fi

"$root/scripts/install-deps.sh" --measure
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target vyra-liveview --parallel "$(nproc)" >/dev/null
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
     "$(free -g | awk '/Mem:/ {print $2}') GB, $(. /etc/os-release && echo "$PRETTY_NAME")," \
     "Aravis $(pkg-config --modversion aravis-0.8), Xvfb"
launcher=()
if command -v ip >/dev/null && unshare -rn --pid --kill-child --mount-proc true 2>/dev/null; then
    launcher=(unshare -rn --pid --kill-child --mount-proc sh -c 'ip link set lo up && "$@"' sh)
fi
MEASURE_SESSION=1 "${launcher[@]}" xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$seconds"
