#!/bin/bash
# The duplicate finder against jdupes, rdfind and fdupes on a generated tree of 50 000 files
# (about 1.2 GB). Run from the repository root after a build.
set -euo pipefail
build_dir="${TOLVEX_BUILD_DIR:-build}"
missing=()
for p in jdupes rdfind fdupes time; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -q "${missing[@]}"
fi
temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-dups-bench.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
"$build_dir/bin/dups_bench" "$build_dir/bin/tolvex-cli" "$temp"
