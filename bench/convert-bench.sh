#!/bin/bash
# tolvex-cli convert of a 10-minute 128 kbit/s stereo MP3 beside madplay (the same decoder
# library) and mpg123, on the same file in the same run. Run from the repository root after a
# build. Each program runs three times; the best time counts.
set -euo pipefail
build_dir="${TOLVEX_BUILD_DIR:-build}"
missing=()
for tool in lame madplay mpg123; do command -v "$tool" >/dev/null || missing+=("$tool"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y "${missing[@]}"
fi
temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-convert-bench.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$temp/runtime}"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

# The sample machine, on a copy: the command reads no registry, but opens a machine as every command does.
cp -a "$build_dir/bin/machine" "$temp/machine"
"$build_dir/bin/convert_bench" signal "$temp/signal.wav" 600
lame --quiet -b 128 "$temp/signal.wav" "$temp/song.mp3"
mkdir "$temp/out"

# tolvex-cli once it has the convert command; until then the same command in convert_bench.
tolvex=("$build_dir/bin/tolvex-cli" --machine "$temp/machine" convert)
if ! "$build_dir/bin/tolvex-cli" --help 2>/dev/null | grep -q '^  convert'; then
    tolvex=("$build_dir/bin/convert_bench" --machine "$temp/machine" convert)
fi

best() {
    local best_time=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        best_time=$(echo "$start $end $best_time" | awk '{t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3}')
    done
    echo "$best_time"
}

tolvex_time=$(best "${tolvex[@]}" --out "$temp/out" "$temp/song.mp3")
madplay_time=$(best madplay -q -o "wave:$temp/madplay.wav" "$temp/song.mp3")
mpg123_time=$(best mpg123 -q -w "$temp/mpg123.wav" "$temp/song.mp3")

frames() { echo $(( ($(stat -c %s "$1") - 44) / 4 )); }
echo "input: $(stat -c %s "$temp/song.mp3") bytes, 600 s, 128 kbit/s stereo"
printf '%-28s %8.3f s  %10d sample frames\n' "$(basename "${tolvex[0]}") convert" "$tolvex_time" "$(frames "$temp/out/song.WAV")"
printf '%-28s %8.3f s  %10d sample frames\n' "madplay -o wave:" "$madplay_time" "$(frames "$temp/madplay.wav")"
printf '%-28s %8.3f s  %10d sample frames\n' "mpg123 -w" "$mpg123_time" "$(frames "$temp/mpg123.wav")"
awk -v t="$tolvex_time" -v m="$madplay_time" -v g="$mpg123_time" \
    'BEGIN { printf "tolvex / madplay: %.2f    tolvex / mpg123: %.2f\n", t / m, t / g }'
