#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vyra Sequencer on the simulated
# camera (with VYRA_DRIVER=aravis on the GenICam cameras Aravis finds).
# Without a display it runs the application under Xvfb (a virtual display)
# and says so; VYRA_SCREENSHOT=file.png there saves a picture of the screen
# after a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
app="$root/build/sequencer/vyra-sequencer"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec "$app" "$@"
fi
echo "No display found: running under Xvfb (virtual screen 1280x800)."
if [[ "${VYRA_DRIVER:-simulator}" == simulator ]]; then
    echo "Use 'build/tools/vyrasim-ctl/vyrasim-ctl list' to see the simulated cameras, Ctrl+C to quit."
else
    echo "Ctrl+C to quit."
fi
exec xvfb-run -a -s "-screen 0 1280x800x24" "$app" "$@"
