#!/bin/sh
# Installs the Debian packages Sprig needs, and only those that are missing (through sudo when
# not run as root). Changes no system setting.
#
#   install-deps.sh run    what building and running sprig and lsys needs (`make run`)
#   install-deps.sh test   that, plus the test, benchmark, fuzzing and packaging tools
#                          (`make test`)
set -e
tier=${1:-test}

RUN="build-essential cmake ninja-build pkg-config
qt6-base-dev libqt6opengl6-dev libqt6svg6 qt6-qpa-plugins qt6-image-formats-plugins
libglu1-mesa-dev libgl-dev libegl-dev libgl1-mesa-dri
libtinygltf-dev lib3mf-dev"
# Xvfb for the window's tests, GoogleTest and Google Benchmark, clang for libFuzzer, the
# locale sources the tests build a comma-decimal locale from (into the build folder), assimp
# to read the exported meshes back, the tools the install and packaging tests use, and
# pdftotext to read a printed page back.
TEST="xvfb xauth imagemagick libgtest-dev libbenchmark-dev clang libclang-rt-14-dev locales
libassimp-dev desktop-file-utils shared-mime-info file dpkg-dev poppler-utils"

case "$tier" in
run) PKGS="$RUN" ;;
test) PKGS="$RUN $TEST" ;;
*) echo "usage: install-deps.sh run|test" >&2; exit 2 ;;
esac

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
