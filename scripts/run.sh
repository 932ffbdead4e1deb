#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vyra Sequencer on the simulated
# camera (with VYRA_DRIVER=aravis on the GenICam cameras Aravis finds).
# Without a display it runs the application under Xvfb (a virtual display)
# and says so.
#
# VYRA_SCREENSHOT=file.png runs it on a virtual display (also where a display
# exists), opens the first free camera, waits until its live image is shown,
# saves a picture of the screen to that file and says where; the application
# then keeps running (Ctrl+C ends it), or ends at once with
# VYRA_SCREENSHOT_EXIT=1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# On the virtual display: answers the camera dialog, waits for the live image
# and photographs the screen.
if [[ "${1:-}" == "--screenshot-session" ]]; then
    app=$2 file=$3
    shift 3
    ctl="$root/build/tools/vyrasim-ctl/vyrasim-ctl"
    "$app" "$@" &
    pid=$!
    trap 'kill $pid 2>/dev/null || true' EXIT

    dialog=$(xdotool search --sync --onlyvisible --name '^Select Camera$' | head -1)
    # The dialog lists the cameras in the driver's order: on the simulated
    # camera pick the first one that is connected and held by nobody; on real
    # cameras (VYRA_DRIVER=aravis) the first one listed.
    row=0
    if [[ "${VYRA_DRIVER:-simulator}" == simulator ]]; then
        row=$("$ctl" list | awk 'NR > 1 { if ($(NF) == "-" && $(NF-1) == "yes") { print NR - 2; exit } }')
        if [[ -z "$row" ]]; then
            echo "No free camera to open: see '$ctl list'." >&2
            exit 1
        fi
    fi
    xdotool windowfocus --sync "$dialog"
    keys=(Down Up)
    for ((i = 0; i < row; ++i)); do keys+=(Down); done
    xdotool key --clearmodifiers "${keys[@]}" Return
    xdotool search --sync --onlyvisible --name '^Vyra Sequencer$' >/dev/null

    # The simulated scene has saturated yellow bars, a colour nothing else on
    # the screen has: once they are there, the live image is shown. A real
    # camera's image cannot be told apart like that: it gets five seconds.
    shot=$(mktemp --suffix .png)
    if [[ "${VYRA_DRIVER:-simulator}" != simulator ]]; then
        sleep 5
        import -window root "$shot"
    else
        for ((attempt = 0; attempt < 60; ++attempt)); do
            import -window root "$shot"
            yellow=$(convert "$shot" -fx 'r > 0.6 && g > 0.6 && b < 0.25' -format '%[fx:mean]' info:)
            if awk -v share="$yellow" 'BEGIN { exit !(share > 0.0005) }'; then
                break
            fi
            sleep 0.5
        done
        if ((attempt == 60)); then
            echo "The live image did not appear within 30 seconds." >&2
            rm -f "$shot"
            exit 1
        fi
    fi
    mv "$shot" "$file"
    if [[ "$(identify -format '%m %wx%h' "$file")" != "PNG 1280x800" ]]; then
        echo "The screenshot $file is not a 1280x800 PNG." >&2
        exit 1
    fi
    echo "Screenshot of the running application saved: $file"
    if [[ "${VYRA_SCREENSHOT_EXIT:-}" == "1" ]]; then
        exit 0
    fi
    echo "The application keeps running on the virtual display; Ctrl+C ends it."
    trap - EXIT
    wait $pid
    exit $?
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
app="$root/build/sequencer/vyra-sequencer"
if [[ -n "${VYRA_SCREENSHOT:-}" ]]; then
    file=$(realpath -m "$VYRA_SCREENSHOT")
    mkdir -p "$(dirname "$file")"
    echo "Running on a virtual screen (1280x800) to take the screenshot $file."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --screenshot-session "$app" "$file" "$@"
fi
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
