#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, checked by lintian
# (where installed), unpacked into a scratch root as apt would install it
# (dpkg-deb -x), the unpacked runner asked for the cameras, and the unpacked
# program started on a virtual display, from its desktop entry on the
# simulated camera and from the command line on Aravis' in-process fake
# camera, each until its main window shows, with the libraries of the
# scratch root loaded.
# Everything it writes stays in the scratch folder.
# Usage: installed-package.sh cpack build-dir scratch-dir
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

# On the virtual display. Arguments: root, picture, library, command...
if [[ "${1:-}" == "--session" ]]; then
    root=$2 picture=$3 library=$4
    shift 4
    # The dynamic linker names every library it loads, the drivers included.
    loaded=$(mktemp -d)
    LD_DEBUG=files LD_DEBUG_OUTPUT=$loaded/ld "$@" &
    trap 'kill $! 2>/dev/null || true' EXIT
    dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^Select Camera$' | head -1)
    # The camera table's first row, then OK.
    xdotool mousemove --window "$dialog" 60 48 click 1 key --window "$dialog" Return
    timeout 60 xdotool search --sync --onlyvisible --name '^Vyra Sequencer$' >/dev/null ||
        fail "no main window: $*"
    grep -qs "calling init: $root/.*/$library\$" "$loaded"/ld.* || fail "no $root $library: $*"
    import -window root "$picture"
    exit 0
fi

cpack=$1 build=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"/{home,config,runtime}
chmod 700 "$scratch/runtime"
cd "$scratch"
scratch=$(pwd) root=$(pwd)/root
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
export TMPDIR=$scratch VYRASIM_CONTROL_SOCKET=sim.sock QT_QPA_PLATFORM=xcb
unset VYRASIM_CAMERAS VYRA_DRIVER VYRA_ARAVIS_FAKE

(cd "$build" && "$cpack" -G DEB -B "$scratch/cpack" >/dev/null)
deb=$(ls "$scratch"/cpack/vyra-sequencer_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt5widgets5 libaravis-0.8-0; do
    grep -q "$package" <<<"$depends" || fail "$package not in Depends: $depends"
done
dpkg-deb -x "$deb" "$root"
desktop=$root/usr/share/applications/vyra-sequencer.desktop
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" ]] || fail "no icon $icon"
[[ -x "$root/usr/bin/vyrasim-ctl" ]] || fail "no vyrasim-ctl"
# Every program comes with its manual page, and lintian finds nothing to say
# about the package (its warning about running as root goes to stderr).
for program in "$root"/usr/bin/*; do
    [[ -f "$root/usr/share/man/man1/${program##*/}.1.gz" ]] || fail "no manual page for $program"
done
# The runner works from the unpacked tree, without a display.
"$root/usr/bin/vyra-sequencer-run" --list-cameras | grep -q VK1240C ||
    fail "the unpacked vyra-sequencer-run lists no simulated camera"
if command -v lintian >/dev/null; then
    hints=$(lintian --fail-on error,warning "$deb" 2>/dev/null) || fail "lintian: $hints"
    [[ -z "$hints" ]] || fail "lintian: $hints"
fi

# From the menu: the desktop entry's command, found on the PATH.
command=$(sed -n 's/^Exec=//p' "$desktop")
xvfb-run -a -s "-screen 0 1280x800x24" env PATH="$root/usr/bin:$PATH" "$0" --session \
    "$root" "$scratch/menu-simulator.png" libvyrasim.so sh -c "exec $command"
# From the command line, on Aravis' in-process fake camera.
VYRA_DRIVER=aravis VYRA_ARAVIS_FAKE=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" --session \
    "$root" "$scratch/command-line-aravis.png" libvyraaravis.so "$root/usr/bin/vyra-sequencer"
echo "1 passed, 0 failed"
