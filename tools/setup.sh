#!/bin/sh
# Installs what the game needs from Debian (when missing) and builds it into build/.
set -e
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake pkg-config liballegro4-dev libxmp-dev libasound2-dev libgtest-dev \
xvfb xauth xdotool x11-utils libx11-dev imagemagick sox openbox wmctrl weston xwayland \
dpkg-dev file lintian appstream desktop-file-utils librsvg2-bin"

missing=""
for p in $PACKAGES; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
