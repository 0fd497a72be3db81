#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tolvex on the sample machine.
set -euo pipefail
TOLVEX_TARGETS=(tolvex tolvex-cli)
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
TOLVEX_MACHINE=${TOLVEX_MACHINE:-$TOLVEX_BUILD/bin/machine} exec "$TOLVEX_BUILD/bin/tolvex"
