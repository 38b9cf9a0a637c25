#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Kivra Tesselwick.
# Quiet when everything is present; runs apt-get update only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation2 fonts-dejavu-core fonts-urw-base35
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
  libjpeg-dev libpng-dev zlib1g-dev libtiff-dev libgif-dev
  libopenjp2-7-dev libmng-dev libraw-dev libwmf-dev libexif-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  imagemagick libopenjp2-tools libtiff-tools libjpeg-turbo-progs
  clang libclang-rt-14-dev
  libcups2-dev cups-daemon cups-client poppler-utils
  libmicrohttpd-dev libqrencode-dev chromium chromium-driver python3-selenium zbar-tools
  xvfb openbox at-spi2-core dbus-daemon python3-pyatspi python3-gi python3-pil xdotool wmctrl x11-utils
  help2man dpkg-dev file desktop-file-utils appstream shared-mime-info librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
