#!/usr/bin/env bash
# Installs the Debian packages the project needs, if any are missing.
# Usage: scripts/install-deps.sh [--fuzz | --measure]
#   --fuzz     adds clang for the libFuzzer targets
#   --measure  adds Aravis' viewer and the GStreamer plugins it shows images with
set -euo pipefail

# Aravis (GenICam cameras): libaravis-dev's pkg-config file requires
# libusb-1.0; aravis-tools brings the fake GigE Vision camera the tests use.
# Recorded images: libtiff-dev and libpng-dev write TIFF and PNG, Qt's
# image-format plugins read TIFF back.
# The "High dynamic range" view fuses images with OpenCV's photo module;
# radiance is written as OpenEXR through libopenexr-dev.
# The Debian package (cpack) needs dpkg-shlibdeps (dpkg-dev) and file; its
# test has lintian check it.
packages=(build-essential cmake pkg-config qtbase5-dev qtbase5-dev-tools
          libtiff-dev libpng-dev qt5-image-formats-plugins libopencv-photo-dev
          libopenexr-dev
          xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core
          libaravis-dev libusb-1.0-0-dev aravis-tools aravis-tools-cli iproute2 util-linux
          dpkg-dev file lintian)
case "${1:-}" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --measure) packages+=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-gtk3
                          gstreamer1.0-x gstreamer1.0-gl) ;;
esac

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
