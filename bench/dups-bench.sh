#!/bin/bash
# The duplicate finder against jdupes, rdfind and fdupes on a generated tree of 50 000 files
# (about 1.2 GB). Run from the repository root after a build.
set -euo pipefail
build_dir="${TOLVEX_BUILD_DIR:-build}"
source "$(dirname "${BASH_SOURCE[0]}")/dups-peers.sh"
install_peers
temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-dups-bench.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
"$build_dir/bin/dups_bench" "$build_dir/bin/tolvex-cli" "$temp"
