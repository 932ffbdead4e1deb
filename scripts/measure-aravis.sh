#!/usr/bin/env bash
# Live view on Aravis' fake GigE Vision camera at 1280 x 1024 RGB8, 30 frames
# per second: images the whole application shows per second and its CPU, and
# in the same run the CPU of Aravis' own viewer on the same camera.
# Usage: scripts/measure-aravis.sh [seconds]   (20 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}

if [[ "${MEASURE_SESSION:-}" == 1 ]]; then
    app=$root/build/sequencer/vyra-sequencer
    work=$(mktemp -d)
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
    cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
    ticks=$(getconf CLK_TCK)

    arv-fake-gv-camera-0.8 -i 127.0.0.1 >/dev/null 2>&1 &
    pids+=($!)
    sleep 2
    arv-tool-0.8 -n Aravis-Fake-GV01 control Width=1280 Height=1024 PixelFormat=RGB8 >/dev/null

    # The application: its camera dialog's first row double-clicked.
    XDG_CONFIG_HOME=$work VYRA_DRIVER=aravis VYRA_ARAVIS_STATISTICS=$work/statistics "$app" \
        >/dev/null 2>&1 &
    app_pid=$!
    pids+=($app_pid)
    dialog=$(xdotool search --sync --onlyvisible --name '^Select Camera$' | head -1)
    sleep 1
    xdotool mousemove --window "$dialog" 60 40 click --repeat 2 --delay 100 1
    xdotool search --sync --onlyvisible --name '^Vyra Sequencer$' >/dev/null
    sleep 5
    start_cpu=$(cpu $app_pid)
    start_line=$(tail -1 "$work/statistics")
    sleep "$seconds"
    end_cpu=$(cpu $app_pid)
    end_line=$(tail -1 "$work/statistics")
    import -window root "$root/build/measure-application.png"
    kill $app_pid
    wait $app_pid 2>/dev/null || true
    read -r t0 _ r0 d0 <<<"$start_line"
    read -r t1 _ r1 d1 <<<"$end_line"
    awk -v t0="$t0" -v t1="$t1" -v r0="$r0" -v r1="$r1" -v d0="$d0" -v d1="$d1" \
        -v c0="$start_cpu" -v c1="$end_cpu" -v hz="$ticks" -v s="$seconds" 'BEGIN {
        printf "application: %.1f images received/s, %.1f images shown/s, CPU %.1f %%\n",
               (r1 - r0) / (t1 - t0), (d1 - d0) / (t1 - t0), 100 * (c1 - c0) / hz / s }'

    # Aravis' viewer: the first camera of its list chosen with the keyboard.
    arv-viewer-0.8 >/dev/null 2>&1 &
    viewer_pid=$!
    pids+=($viewer_pid)
    viewer=$(xdotool search --sync --onlyvisible --pid $viewer_pid | head -1)
    sleep 3
    xdotool windowfocus --sync "$viewer"
    xdotool key --clearmodifiers Tab Down Return
    sleep 5
    start_cpu=$(cpu $viewer_pid)
    sleep "$seconds"
    end_cpu=$(cpu $viewer_pid)
    import -window root "$root/build/measure-viewer.png"
    awk -v c0="$start_cpu" -v c1="$end_cpu" -v hz="$ticks" -v s="$seconds" 'BEGIN {
        printf "arv-viewer-0.8: CPU %.1f %% (its frame rate: build/measure-viewer.png)\n",
               100 * (c1 - c0) / hz / s }'
    exit 0
fi

"$root/scripts/install-deps.sh" --measure
"$root/scripts/build.sh" "$root/build"
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
# A network namespace of its own keeps the fake camera away from other
# programs' cameras; the virtual display shows both programs.
launcher=()
if command -v ip >/dev/null && unshare -rn true 2>/dev/null; then
    launcher=(unshare -rn sh -c 'ip link set lo up && exec "$@"' sh)
fi
MEASURE_SESSION=1 "${launcher[@]}" xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$seconds"
echo "Screens: build/measure-application.png build/measure-viewer.png"
