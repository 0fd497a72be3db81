#!/bin/sh
# A copy of the fresh prefix switched to the XP generation (build 3790).
set -e
fresh="$1"
dir="$2"
rm -rf "$dir"
cp -a "$fresh" "$dir"
export WINEPREFIX="$dir" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wine winecfg -v winxp64
wineserver -w
grep -q '"CurrentBuildNumber"="3790"' "$dir/system.reg"
