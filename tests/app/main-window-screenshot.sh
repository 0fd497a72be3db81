#!/bin/bash
# Starts tolvex on a copy of a machine (the sample machine unless one is named) under Xvfb,
# photographs the screen once its window exists, and checks that the picture shows more than a
# blank screen.
# Usage: main-window-screenshot.sh <tolvex> <png> [machine folder]
set -euo pipefail

program="$1"
png="$2"
mkdir -p "$(dirname "$png")"
rm -f "$png"

# The sample machine in the program folder is reset by the build; the run changes a copy.
work="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-shot.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -a "${3:-${TOLVEX_PROGRAM_DIR:?}/machine}" "$work/machine"

cat >"$work/shoot.sh" <<'SHOOT'
#!/bin/bash
set -u
program="$1" png="$2"
QT_QPA_PLATFORM=xcb "$program" &
pid=$!
shown=0
# Up to 30 s: the sanitizer build starts slowly.
for _ in $(seq 300); do
    if xwininfo -name "Tolvex beta v 0.4" >/dev/null 2>&1; then
        shown=1
        break
    fi
    sleep 0.1
done
if [ "$shown" = 0 ]; then
    echo "the main window did not appear" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
# Mapped is not yet painted.
sleep 1
import -window root "$png"
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
SHOOT
chmod +x "$work/shoot.sh"

# Twice at most: on a loaded machine the X server xvfb-run starts can be gone before the program
# connects ("could not connect to display"), which says nothing of the program.
for attempt in 1 2; do
    TOLVEX_MACHINE="$work/machine" xvfb-run -a -s "-screen 0 1024x768x24" "$work/shoot.sh" "$program" "$png" &&
        break
    echo "attempt $attempt: no picture" >&2
done

if [ ! -s "$png" ]; then
    echo "no screenshot at $png" >&2
    exit 1
fi
colours=$(convert "$png" -format %k info:)
echo "$png: $colours unique colours"
if [ "$colours" -le 16 ]; then
    echo "the screenshot looks blank" >&2
    exit 1
fi
