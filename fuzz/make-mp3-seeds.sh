#!/usr/bin/env bash
# Small MP3 seeds made with lame: constant and variable bit rate (Info and Xing frames with the LAME
# extension), MPEG-2 mono, a file with an ID3v2 tag in Cyrillic, and one without any tag frame.
set -euo pipefail
out=$1
mkdir -p "$out"
# A fixed tone-like pattern, so that the seeds are the same on every run.
pcm=$(mktemp)
trap 'rm -f "$pcm"' EXIT
for _ in $(seq 2205); do printf '\x10\x20\x40\x7f\x40\x20\x10\x00\xf0\xe0\xc0\x81\xc0\xe0\xf0\x00'; done >"$pcm"
# lame warns on every raw input that its reader might seek; only a failure is worth showing.
enc() { lame --silent -r --little-endian --bitwidth 16 "$@" 2>/dev/null || { echo "lame $* failed" >&2; exit 1; }; }
enc -s 44.1 -m j -b 128 "$pcm" "$out/cbr-info.mp3"
enc -s 44.1 -m j -V 7 "$pcm" "$out/vbr-xing.mp3"
enc -s 22.05 -m m -b 16 "$pcm" "$out/mpeg2-mono.mp3"
enc -s 44.1 -m m -b 32 -t "$pcm" "$out/no-info-frame.mp3"
enc -s 44.1 -m m -b 32 --id3v2-only --tt "Песня" --tl "Альбом" "$pcm" "$out/id3v2.mp3"
enc -s 44.1 -m m -b 32 --id3v1-only --tt "Song" --tl "Album" "$pcm" "$out/id3v1.mp3"
