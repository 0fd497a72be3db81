#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the CTest suite (with a real Wine
# prefix made by wineboot) and the fuzz targets, built with clang, for a bounded time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

status=0
(cd "$TOLVEX_BUILD" && ctest --output-on-failure -j2 --timeout 900) || status=1

fuzz_build=${TOLVEX_FUZZ_BUILD_DIR:-$TOLVEX_ROOT/build-fuzz}
CC=clang CXX=clang++ cmake -S "$TOLVEX_ROOT" -B "$fuzz_build" -DTOLVEX_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz_build" -j2
(cd "$fuzz_build" && ctest --output-on-failure) || status=1
exit $status
