#!/bin/bash
# Runs the benchmarks on a fresh Wine prefix, or on the prefix folder given as $1 (only read; the
# benchmarks work on copies). Run from the repository root after a build.
set -euo pipefail

build_dir="${TOLVEX_BUILD_DIR:-build}"
bench="$build_dir/bin/hive_bench"
if [ ! -x "$bench" ]; then
    echo "run-benchmarks.sh: $bench not found; build first (cmake --build $build_dir -j2)" >&2
    exit 1
fi

# Everything temporary, the benchmark's own copies included, lives here, so that an interrupted
# run leaves nothing behind.
temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-bench.XXXXXX")"
cleanup() {
    # A server still running on a prefix in here must not outlive its folder.
    for dir in "$temp"/prefix "$temp"/*/prefix; do
        [ -d "$dir" ] && WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
    done
    rm -rf "$temp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Qt wants a private runtime folder; without one it warns on every start.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$temp/runtime}"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

if [ $# -ge 1 ]; then
    prefix="$1"
    if [ ! -f "$prefix/system.reg" ]; then
        echo "run-benchmarks.sh: $prefix has no system.reg" >&2
        exit 1
    fi
else
    prefix="$temp/prefix"
    echo "Making a fresh Wine prefix in $prefix ..."
    (
        unset DISPLAY
        export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
        wineboot -i && wineserver -w
    ) >"$temp/wineboot.log" 2>&1 || {
        cat "$temp/wineboot.log" >&2
        exit 1
    }
    echo
fi

TMPDIR="$temp" "$bench" "$prefix"

echo
"$build_dir/bin/regscan_bench" "$prefix" "$temp"
rm -rf "$temp/million"

# Start-up: tolvex on a copy of the sample machine against an empty Qt window of the same size,
# each until its window is shown. Under Xvfb when it is installed, else on the offscreen platform.
startup_bench="$build_dir/bin/startup_bench"
if [ -x "$startup_bench" ]; then
    echo
    cp -a "$build_dir/bin/machine" "$temp/startup-machine"
    export TOLVEX_MACHINE="$temp/startup-machine"
    if command -v xvfb-run >/dev/null; then
        xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb \
            "$startup_bench" "$build_dir/bin/tolvex" "$build_dir/bin/empty_window" 15
    else
        QT_QPA_PLATFORM=offscreen "$startup_bench" "$build_dir/bin/tolvex" "$build_dir/bin/empty_window" 15
    fi
fi
bash "$(dirname "${BASH_SOURCE[0]}")/clean-bench.sh"
bash "$(dirname "${BASH_SOURCE[0]}")/dups-bench.sh"
bash "$(dirname "${BASH_SOURCE[0]}")/dups-real-tree.sh"
bash "$(dirname "${BASH_SOURCE[0]}")/convert-bench.sh"
