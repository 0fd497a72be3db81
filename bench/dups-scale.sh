#!/bin/bash
# The duplicate finder on a million files beside jdupes, rdfind, rmlint and fdupes: 200 000 of
# them in groups of two, three and five, the rest unique, half of those the size of some group and
# many of these equal to a group's content but for their last byte. Sizes 16 bytes to 16 KB,
# 2.4 GB in 5 460 folders three levels deep, and a thousand more names for files already there
# (hard links) and a thousand symbolic links, none of which may change the count. Every tool runs
# warm (one pass first), alternating, three times; the figures are medians. Run from the
# repository root after a build. The tree takes about 6 GB under TMPDIR and a minute to write;
# the whole run takes about half an hour, most of it rmlint's, which here spends more than half
# its time reading every file's extents (the disk says it is rotational).
#
# TOLVEX_CLI overrides $TOLVEX_BUILD_DIR/bin/tolvex-cli; DUPS_SCALE_FILES (default 1000000, a
# multiple of 1000) makes a smaller tree, a fifth of it in groups; DUPS_RUNS (default 3) the runs
# per tool; FDUPES_LIMIT (seconds, default 900) how long fdupes's warm-up may take before it is
# left out.
set -euo pipefail

build_dir="${TOLVEX_BUILD_DIR:-build}"
cli="${TOLVEX_CLI:-$build_dir/bin/tolvex-cli}"
files="${DUPS_SCALE_FILES:-1000000}"
runs="${DUPS_RUNS:-3}"
fdupes_limit="${FDUPES_LIMIT:-900}"
if [ ! -x "$cli" ]; then
    echo "dups-scale.sh: $cli not found; build first or set TOLVEX_CLI" >&2
    exit 1
fi
cli="$(realpath "$cli")"
if ((files < 1000 || files % 1000)); then
    echo "dups-scale.sh: DUPS_SCALE_FILES must be a multiple of 1000" >&2
    exit 1
fi

source "$(dirname "${BASH_SOURCE[0]}")/dups-peers.sh"
install_peers

temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-dups-scale.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
trap 'exit 130' INT TERM
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$temp/runtime}"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

machine="$temp/machine"
tree="$machine/drive_c/tree"
mkdir -p "$machine/dosdevices" "$tree" "$temp/out" "$temp/cwd"
ln -s ../drive_c "$machine/dosdevices/c:"
for hive in system user userdef; do
    printf 'WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n' >"$machine/$hive.reg"
done

started=$SECONDS
echo "Writing $files files into $tree ..."
python3 - "$tree" "$files" <<'PY'
import os, random, sys

root, total = sys.argv[1], int(sys.argv[2])
rng = random.Random(20261211)
grouped = total // 5
# A fifth of the grouped files in groups of three and a tenth in groups of five.
pairs, triples, fives = grouped * 6 // 20, grouped // 10, grouped // 50

folders = []
for a in range(20):
    # Some folders with Cyrillic names: names that are not ASCII take the codec's path.
    top = f"Документы {a:02d}" if a % 7 == 3 else f"d{a:02d}"
    folders.append(top)
    for b in range(16):
        mid = f"{top}/s{b:02d}"
        folders.append(mid)
        folders.extend(f"{mid}/t{c:02d}" for c in range(16))
leaves = [f for f in folders if f.count("/") == 2]
inner = [f for f in folders if f.count("/") < 2]
for f in folders:
    os.makedirs(os.path.join(root, f), exist_ok=True)

extensions = ["dat", "txt", "dll", "png", "ini", "log", "xml", "bin"]
serial = 0
written = 0

def place(data):
    global serial, written
    folder = rng.choice(leaves) if rng.random() < 0.9 else rng.choice(inner)
    name = f"файл {serial:07d}.txt" if serial % 20 == 7 else f"f{serial:07d}.{extensions[serial % 8]}"
    path = os.path.join(root, folder, name)
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    os.write(fd, data)
    os.close(fd)
    serial += 1
    written += len(data)
    return path

def log_size():
    return int(16 * 1024 ** rng.random())  # 16 B .. 16 KB, log-uniform

group_paths, group_data = [], []
for members, count in ((2, pairs), (3, triples), (5, fives)):
    for _ in range(count):
        data = os.urandom(log_size())
        paths = [place(data) for _ in range(members)]
        group_paths.append(paths)
        group_data.append(data)

# Unique files. Half take the size of a group; of these, one per group (as far as they go) is
# that group's content with its last byte changed, which only a reading to the end tells apart.
unique_paths = []
near = list(range(len(group_data)))
rng.shuffle(near)
for u in range(total - grouped):
    if u % 4 == 1 and near:
        data = bytearray(group_data[near.pop()])
        data[-1] ^= 0x5A
        data = bytes(data)
    elif u % 2:
        data = os.urandom(len(group_data[rng.randrange(len(group_data))]))
    else:
        data = os.urandom(log_size())
    unique_paths.append(place(data))

# Second names of 500 grouped and 500 unique files, and links to files and folders: none of them
# is another file.
for i in range(1000):
    target = rng.choice(rng.choice(group_paths)) if i % 2 else rng.choice(unique_paths)
    os.link(target, os.path.join(root, rng.choice(leaves), f"hl{i:04d}.dat"))
for i in range(1000):
    os.symlink(rng.choice(rng.choice(group_paths)), os.path.join(root, rng.choice(leaves), f"sl{i:04d}.dat"))
for i in range(5):
    os.symlink(os.path.join(root, inner[i * 17]), os.path.join(root, rng.choice(leaves), f"link-to-folder{i}"))
print(f"Tree: {serial} files ({grouped} in {pairs + triples + fives} groups: {pairs} of two, "
      f"{triples} of three, {fives} of five), {written / 1e9:.2f} GB in {len(folders)} folders, "
      f"1000 extra hard links, 1005 symbolic links")
PY
echo "Written in $((SECONDS - started)) s; disk use $(du -sh "$tree" | cut -f1)"

names=("tolvex-cli dups --size --content" "jdupes -r -q" "rdfind -dryrun true" "rmlint -T df -F" "fdupes -r -q")
tool_command() {
    case $1 in
    0) cmd=("$cli" --machine "$machine" dups --size --content 'C:\tree') ;;
    1) cmd=(jdupes -r -q "$tree") ;;
    2) cmd=(rdfind -makeresultsfile false -dryrun true "$tree") ;;
    # Duplicates only, links ignored as the others do; the summary goes to a file of ours, so
    # nothing is written into the working folder.
    3) cmd=(rmlint -T df -F -o "summary:$temp/out/rmlint.summary" "$tree") ;;
    4) cmd=(fdupes -r -q "$tree") ;;
    esac
}
declare -A secs mem
skipped=()

echo "Warm-up pass ..."
for i in "${!names[@]}"; do
    limit=0
    [ "$i" -eq 4 ] && limit=$fdupes_limit
    t0=$SECONDS rc=0
    measure "$i" "$limit" || rc=$?
    if ((rc == 124)); then
        echo "  ${names[$i]} did not finish within ${limit} s: left out"
        skipped+=("$i")
    elif ((rc != 0)); then
        echo "  ${names[$i]} failed (exit status $rc):"
        tail -n 5 "$temp/out/stderr.$i" | sed 's/^/    /'
        skipped+=("$i")
    else
        echo "  ${names[$i]}: $((SECONDS - t0)) s"
    fi
    secs[$i]="" mem[$i]=""
done

timed_runs
print_table "$files files"

echo
grouped=$((files / 5))
expected_groups=$((grouped * 6 / 20 + grouped / 10 + grouped / 50))
output="$temp/out/stdout.0"
status="$(tail -n 1 "$output")"
listed="$(grep -c $'^[0-9]*\t' "$output" || true)"
groups="$(grep $'^[0-9]*\t' "$output" | cut -f1 | sort -un | wc -l)"
echo "tolvex-cli: \"$status\"; $listed files listed in $groups groups; expected $grouped files in $expected_groups groups"
if [ "$status" = "Найдено $grouped" ] && [ "$listed" -eq "$grouped" ] && [ "$groups" -eq "$expected_groups" ]; then
    echo "tolvex-cli count: as expected"
else
    echo "tolvex-cli count: NOT as expected"
fi
if [ -n "$(ls -A "$temp/cwd")" ]; then
    echo "Note: the tools left files in their working folder: $(ls -A "$temp/cwd" | tr '\n' ' ')"
fi
echo "Total time of the script: $((SECONDS - started)) s"
