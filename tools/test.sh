#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the CTest suite (with a real Wine
# prefix made by wineboot), the same under the sanitizers, and the fuzz targets, built with
# clang, for a bounded time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

status=0
(cd "$TOLVEX_BUILD" && ctest --output-on-failure -j2 --timeout 900) || status=1

# The libraries and their tests again under AddressSanitizer with UndefinedBehaviorSanitizer, and
# the tests of the worker threads under ThreadSanitizer. Qt itself is not built for them: the
# suppression files name what belongs to it.
supp="$TOLVEX_ROOT/tests/sanitizers"
asan_build=${TOLVEX_ASAN_BUILD_DIR:-$TOLVEX_ROOT/build-asan}
cmake -S "$TOLVEX_ROOT" -B "$asan_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVEX_SANITIZE=address >/dev/null
cmake --build "$asan_build" -j2
# The slow unwinder: Qt's frames break the fast one, and a leak must be traced to its owner.
(cd "$asan_build" && ASAN_OPTIONS=fast_unwind_on_malloc=0 \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:fast_unwind_on_malloc=0" \
    ctest --output-on-failure -j2 --timeout 900) || status=1
tsan_build=${TOLVEX_TSAN_BUILD_DIR:-$TOLVEX_ROOT/build-tsan}
threaded=(tst_file_scan tst_basic_cleaning tst_registry_cleaner tst_duplicates tst_mp3_decoding)
cmake -S "$TOLVEX_ROOT" -B "$tsan_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVEX_SANITIZE=thread >/dev/null
cmake --build "$tsan_build" -j2 $(printf -- '--target %s ' "${threaded[@]}")
(cd "$tsan_build" && TSAN_OPTIONS="suppressions=$supp/tsan.supp die_after_fork=0" \
    ctest --output-on-failure -R "^($(IFS='|'; echo "${threaded[*]}"))\$") || status=1

fuzz_build=${TOLVEX_FUZZ_BUILD_DIR:-$TOLVEX_ROOT/build-fuzz}
CC=clang CXX=clang++ cmake -S "$TOLVEX_ROOT" -B "$fuzz_build" -DTOLVEX_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$fuzz_build" -j2
(cd "$fuzz_build" && ctest --output-on-failure) || status=1
exit $status
