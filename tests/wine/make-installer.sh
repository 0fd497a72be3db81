#!/bin/sh
# Builds the test installer: make-installer.sh OUT.exe
set -e
if [ $# -ne 1 ]; then
    echo "usage: $0 OUT.exe" >&2
    exit 2
fi
out="$1"
case "$out" in
    /*) ;;
    *) out="$(pwd)/$out" ;;
esac
mkdir -p "$(dirname "$out")"
script="$(dirname "$0")/installer/test-app.nsi"
makensis -V2 "-DOUTFILE=$out" "$script"
test -s "$out"
