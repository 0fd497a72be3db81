#!/usr/bin/env bash
# Installs the Debian packages Tolvex needs (when some are missing) and builds it into build/.
# Sourced by start.sh and test.sh.
set -euo pipefail

TOLVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOLVEX_BUILD=${TOLVEX_BUILD_DIR:-$TOLVEX_ROOT/build}

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libicu-dev   # Qt 6 widgets, ICU for the registry's text
    wine wine64                                   # real prefixes for the tests, and for users
    clang libclang-rt-14-dev                      # the fuzz targets (libFuzzer)
    xvfb xauth imagemagick x11-utils              # a display for screenshots, import, xwininfo
    fonts-liberation                              # Arial's metrics where Tahoma is missing
    libxxhash-dev                                 # the duplicate finder's hash
    libmad0-dev libtag1-dev                       # the converter: MP3 decoding, tags
    lame mpg123 ffmpeg                            # test MP3s made by lame and ffmpeg, mpg123 the reference
    nsis                                          # real installers for the tests
    btrfs-progs xfsprogs                          # file systems that clone files, mounted by the tests
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$TOLVEX_ROOT" -B "$TOLVEX_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the named targets when some are given (start.sh needs just the programs).
targets=()
for t in "${TOLVEX_TARGETS[@]:-}"; do
    [ -n "$t" ] && targets+=(--target "$t")
done
cmake --build "$TOLVEX_BUILD" -j2 "${targets[@]}"
