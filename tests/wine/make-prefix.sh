#!/bin/sh
# Makes a fresh Wine prefix without a display and without offering Mono or Gecko.
set -e
dir="$1"
rm -rf "$dir"
mkdir -p "$(dirname "$dir")"
export WINEPREFIX="$dir" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wineboot -i
wineserver -w
test -f "$dir/system.reg"
