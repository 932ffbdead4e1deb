#!/usr/bin/env bash
# Takes screenshots of Vyra Sequencer on the simulated camera under Xvfb:
# the camera dialog as it comes up and with the first camera chosen, the main
# window with the live image of that camera, and the Acquisition and Image
# Size dialogs of its Camera menu in front of the main window.
# VYRA_SCREEN sets the virtual screen (default 1280x800); QT_SCALE_FACTOR=2
# shows the application at twice its size.
# Usage: scripts/screenshot.sh [build-dir] [output-dir]
set -euo pipefail

# Runs on the virtual display: starts the application with a settings folder
# of its own (so a stored layout does not change the pictures), drives it with
# xdotool and photographs the screen.
if [[ "${1:-}" == "--session" ]]; then
    app=$2 out=$3
    export XDG_CONFIG_HOME
    XDG_CONFIG_HOME=$(mktemp -d)
    export VYRASIM_CONTROL_SOCKET="$XDG_CONFIG_HOME/vyrasim.sock"
    "$app" &
    pid=$!
    trap 'kill $pid 2>/dev/null || true; rm -rf "$XDG_CONFIG_HOME"' EXIT

    dialog=$(xdotool search --sync --onlyvisible --name '^Select Camera$' | head -1)
    sleep 1
    import -window root "$out/camera-dialog.png"

    # Pick the first camera with the keyboard: the table has the focus on its
    # first cell, Down and Up select the first row, Return presses OK.
    xdotool windowfocus --sync "$dialog"
    xdotool key --clearmodifiers Down Up
    sleep 0.5
    import -window root "$out/camera-dialog-chosen.png"
    xdotool key --clearmodifiers Return

    window=$(xdotool search --sync --onlyvisible --name '^Vyra Sequencer$' | head -1)
    # Let the live image settle in the Camera Image dock.
    sleep 3
    import -window root "$out/main-window.png"

    # The Camera menu is the second of the menu bar; Down picks its entries
    # in order, Return opens the dialog, Escape closes it again.
    # The menu's place grows with the scale factor.
    menu_x=$(awk "BEGIN { print int(77 * ${QT_SCALE_FACTOR:-1}) }")
    menu_y=$(awk "BEGIN { print int(11 * ${QT_SCALE_FACTOR:-1}) }")
    camera_menu() {
        xdotool mousemove --window "$window" "$menu_x" "$menu_y" click 1
        sleep 0.5
        xdotool key --clearmodifiers "$@" Return
    }
    camera_menu Down
    xdotool search --sync --onlyvisible --name '^Acquisition Dialog$' >/dev/null
    sleep 1
    import -window root "$out/acquisition-dialog.png"
    xdotool key --clearmodifiers Escape
    sleep 0.5
    camera_menu Down Down
    xdotool search --sync --onlyvisible --name '^Image Size Dialog$' >/dev/null
    sleep 1
    import -window root "$out/image-size-dialog.png"
    exit 0
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$build/screenshots}
app="$build/sequencer/vyra-sequencer"

[[ -x "$app" ]] || { echo "No application at $app: build it first (scripts/build.sh)." >&2; exit 1; }
missing=()
for tool in xvfb-run:xvfb import:imagemagick xdotool:xdotool; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
mkdir -p "$out"

xvfb-run -a -s "-screen 0 ${VYRA_SCREEN:-1280x800}x24" "$root/scripts/screenshot.sh" --session "$app" "$out"
echo "Screenshots: $out/camera-dialog.png $out/camera-dialog-chosen.png $out/main-window.png" \
    "$out/acquisition-dialog.png $out/image-size-dialog.png"
