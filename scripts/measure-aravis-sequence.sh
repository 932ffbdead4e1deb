#!/usr/bin/env bash
# A host-driven sequence of three sets (1, 4 and 16 ms) running free on
# Aravis' fake GigE Vision camera at 1280 x 1024 RGB8: images received per
# second, the share whose set the driver named right and images lost, at 30
# frames per second and as fast as the driver can apply the sets
# (build/benchmarks/aravis/vyra-hostsequence).
# Usage: scripts/measure-aravis-sequence.sh [seconds] [rate...]   (10 s; 30 and 1000 fps)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Runs in a network namespace of its own when the system allows one (so that
# the camera meets nobody else's).
if [[ "${MEASURE_SESSION:-}" == 1 ]]; then
    arv-fake-gv-camera-0.8 -i 127.0.0.1 >/dev/null 2>&1 &
    camera=$!
    trap 'kill $camera 2>/dev/null || true' EXIT
    sleep 2
    arv-tool-0.8 -n Aravis-Fake-GV01 control Width=1280 Height=1024 PixelFormat=RGB8 >/dev/null
    "$root/build/benchmarks/aravis/vyra-hostsequence" "$@"
    exit 0
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target vyra-hostsequence vyraaravis --parallel "$(nproc)" >/dev/null
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
     "$(free -g | awk '/Mem:/ {print $2}') GB, $(. /etc/os-release && echo "$PRETTY_NAME")," \
     "Aravis $(pkg-config --modversion aravis-0.8)"
launcher=()
if command -v ip >/dev/null && unshare -rn --pid --kill-child --mount-proc true 2>/dev/null; then
    launcher=(unshare -rn --pid --kill-child --mount-proc sh -c 'ip link set lo up && "$@"' sh)
fi
MEASURE_SESSION=1 "${launcher[@]}" "$0" "$@"
