#!/bin/sh
# Installs the Debian packages that building, running and testing Sprig need.
# Only missing packages are installed; through sudo when not run as root.
set -e
PKGS="build-essential cmake ninja-build pkg-config
qt6-base-dev libqt6opengl6-dev libqt6svg6 libglu1-mesa-dev libgl-dev libegl-dev libgl1-mesa-dri
xvfb xauth libgtest-dev libbenchmark-dev libtinygltf-dev lib3mf-dev
clang libclang-rt-14-dev imagemagick locales
desktop-file-utils shared-mime-info file dpkg-dev"

missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ -n "$missing" ]; then
    echo "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends $missing
fi

# The parser tests check that numbers read the same under a locale whose decimal mark is a
# comma; Debian generates no such locale by default.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "generating locale de_DE.UTF-8"
    $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
