#!/usr/bin/env bash
# The Debian package as a user gets it: built with cpack, unpacked into a
# scratch root as apt would install it (dpkg-deb -x), and the unpacked program
# started on a virtual display, from its desktop entry on the simulated camera
# and from the command line on Aravis' in-process fake camera
# (VYRA_DRIVER=aravis), each until its main window shows the camera opened.
# Everything it writes stays in the scratch folder.
# Usage: installed-package.sh cpack build-dir scratch-dir
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# On the virtual display: starts the command, opens the first camera of the
# camera dialog and waits for the main window; the libraries it loaded must
# come from the scratch root. Arguments: root, picture, library, command...
if [[ "${1:-}" == "--session" ]]; then
    root=$2 picture=$3 library=$4
    shift 4
    # The dynamic linker names every library it loads, the drivers included.
    loaded=$(mktemp -d)
    LD_DEBUG=files LD_DEBUG_OUTPUT=$loaded/ld "$@" &
    pid=$!
    trap 'kill $pid 2>/dev/null || true' EXIT
    dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^Select Camera$' | head -1)
    [[ -n "$dialog" ]] || fail "no camera dialog: $*"
    # The first row of the camera table, then OK.
    xdotool mousemove --window "$dialog" 60 48 click 1
    xdotool key --window "$dialog" --clearmodifiers Return
    timeout 60 xdotool search --sync --onlyvisible --name '^Vyra Sequencer$' >/dev/null ||
        fail "no main window: $*"
    grep -qs "calling init: $root/.*/$library\$" "$loaded"/ld.* ||
        fail "$library not loaded from $root by: $*"
    import -window root "$picture"
    echo "started: $*"
    exit 0
fi

cpack=$1 build=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"/{home,config,runtime}
chmod 700 "$scratch/runtime"
scratch=$(cd "$scratch" && pwd)
cd "$scratch"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
export TMPDIR=$scratch VYRASIM_CONTROL_SOCKET=sim.sock QT_QPA_PLATFORM=xcb
unset VYRASIM_CAMERAS VYRA_DRIVER VYRA_ARAVIS_FAKE

(cd "$build" && "$cpack" -G DEB -B "$scratch/cpack" >/dev/null)
deb=$(ls "$scratch"/cpack/vyra-sequencer_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt5widgets5 libaravis-0.8-0 libc6; do
    grep -q "$package" <<<"$depends" || fail "$package missing from Depends: $depends"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
libraries=$root/usr/lib/vyra-sequencer
desktop=$root/usr/share/applications/vyra-sequencer.desktop
for file in usr/bin/vyra-sequencer usr/bin/vyrasim-ctl "${libraries#"$root"/}/libvyraaravis.so" \
    "${libraries#"$root"/}/libvyrasim.so" "${desktop#"$root"/}" \
    usr/share/icons/hicolor/256x256/apps/vyra-sequencer.png; do
    [[ -f "$root/$file" ]] || fail "$file not in the package"
done
# The program finds its libraries beside itself, none from the build.
linked=$(ldd "$root/usr/bin/vyra-sequencer")
! grep -q "not found" <<<"$linked" || fail "unresolved libraries: $linked"
! grep "$build" <<<"$linked" | grep -vq "$root/" || fail "libraries from the build: $linked"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$root/usr/share/icons/hicolor/256x256/apps/$icon.png" ]] || fail "no icon $icon"

# From the menu: the desktop entry's command, found on the PATH.
command=$(sed -n 's/^Exec=//p' "$desktop")
xvfb-run -a -s "-screen 0 1280x800x24" env PATH="$root/usr/bin:$PATH" "$0" --session \
    "$root" "$scratch/menu-simulator.png" libvyrasim.so sh -c "exec $command"
# From the command line, on Aravis' in-process fake camera.
VYRA_DRIVER=aravis VYRA_ARAVIS_FAKE=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" --session \
    "$root" "$scratch/command-line-aravis.png" libvyraaravis.so "$root/usr/bin/vyra-sequencer"
echo "1 passed, 0 failed"
