#!/bin/bash
# Advanced cleaning's search against find(1) on a generated tree of 100 000 files, and the
# page's responsiveness during the same search. Run from the repository root after a build.
set -euo pipefail
build_dir="${TOLVEX_BUILD_DIR:-build}"
command -v find >/dev/null || { sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo; $sudo apt-get install -y findutils; }
temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-clean-bench.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$temp/runtime}"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen "$build_dir/bin/clean_bench" "$build_dir/bin/tolvex-cli" "$temp"
