#!/bin/bash
# The duplicate finder on a real tree nobody here wrote, /usr/share or the folder given as $1,
# seen as drive D: of a test machine. Nothing is written there: the scan only reads.
# First its groups beside jdupes's (-z: empty files are duplicates too, as for the finder),
# compared as sets of files, one file being one inode: the finder lists a file reached under two
# names once, jdupes may list both names or neither. Files that have no name Windows could hold
# (a character of \ : * ? " < > |, a control character, bytes that are no UTF-8, a trailing dot
# or space, in the name or in a folder above it) are left out of both sides and counted.
# Then the finder, jdupes, rdfind, rmlint and fdupes on the same tree: warm (the comparison's
# runs warm the caches), alternating, DUPS_RUNS (default 3) runs each, medians. Run from the
# repository root after a build; TOLVEX_CLI overrides $TOLVEX_BUILD_DIR/bin/tolvex-cli.
# Exits 0 whatever the outcome of the comparison, which it prints as EQUAL or DIFFERENT.
set -euo pipefail

build_dir="${TOLVEX_BUILD_DIR:-build}"
cli="${TOLVEX_CLI:-$build_dir/bin/tolvex-cli}"
runs="${DUPS_RUNS:-3}"
source_tree="$(realpath "${1:-/usr/share}")"
if [ ! -x "$cli" ]; then
    echo "dups-real-tree.sh: $cli not found; build first or set TOLVEX_CLI" >&2
    exit 1
fi
cli="$(realpath "$cli")"
if [ ! -d "$source_tree" ]; then
    echo "dups-real-tree.sh: $source_tree is not a folder" >&2
    exit 1
fi

source "$(dirname "${BASH_SOURCE[0]}")/dups-peers.sh"
install_peers

temp="$(mktemp -d "${TMPDIR:-/tmp}/tolvex-dups-real.XXXXXX")"
trap 'rm -rf "$temp"' EXIT
trap 'exit 130' INT TERM
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$temp/runtime}"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"

started=$SECONDS
machine="$temp/machine"
mkdir -p "$machine/dosdevices" "$machine/drive_c" "$temp/out" "$temp/cwd"
ln -s ../drive_c "$machine/dosdevices/c:"
ln -s "$source_tree" "$machine/dosdevices/d:"
for hive in system user userdef; do
    printf 'WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n' >"$machine/$hive.reg"
done

names=("tolvex-cli dups --size --content" "jdupes -r -z -q" "rdfind -dryrun true" "rmlint -T df -F" "fdupes -r -q")
tool_command() {
    case $1 in
    0) cmd=("$cli" --machine "$machine" dups --size --content 'D:\') ;;
    1) cmd=(jdupes -r -z -q "$source_tree") ;;
    2) cmd=(rdfind -makeresultsfile false -dryrun true "$source_tree") ;;
    # Duplicates only, links ignored as the others do; the summary goes to a file of ours, so
    # nothing is written into the working folder.
    3) cmd=(rmlint -T df -F -o "summary:$temp/out/rmlint.summary" "$source_tree") ;;
    # fdupes counts empty files as duplicates unless told -n.
    4) cmd=(fdupes -r -q "$source_tree") ;;
    esac
}
declare -A secs mem
skipped=()

echo "Tree: $source_tree as D:\\ of $machine"
echo "Comparison runs (they warm the caches for the timing too) ..."
for i in "${!names[@]}"; do
    t0=$SECONDS rc=0
    measure "$i" || rc=$?
    if ((rc != 0)); then
        echo "  ${names[$i]} failed (exit status $rc):"
        tail -n 5 "$temp/out/stderr.$i" | sed 's/^/    /'
        skipped+=("$i")
    else
        echo "  ${names[$i]}: $((SECONDS - t0)) s"
    fi
    secs[$i]="" mem[$i]=""
done
cp "$temp/out/stdout.0" "$temp/tolvex.txt"
cp "$temp/out/stdout.1" "$temp/jdupes.txt"

echo
if is_skipped 0 || is_skipped 1; then
    echo "Comparison: not made, a tool failed"
else
    python3 - "$source_tree" "$temp/tolvex.txt" "$temp/jdupes.txt" <<'PY' || echo "Comparison: the comparing script failed"
import os, stat, sys

root = os.fsencode(sys.argv[1])
limit = 25

def name_problem(name):
    try:
        text = name.decode("utf-8")
    except UnicodeDecodeError:
        return "bytes that are no UTF-8"
    if any(ord(c) < 32 or c in '\\:*?"<>|' for c in text):
        return "a character Windows forbids"
    if text.endswith((".", " ")):
        return "a trailing dot or space"
    return None

# The tree as it is: every regular file by inode with its names, without following a link.
names_of, links, special, bad_files = {}, 0, 0, {}
path_problem = {}
def walk(folder, problem):
    global links, special
    try:
        entries = list(os.scandir(folder))
    except OSError:
        return
    for e in entries:
        p = name_problem(e.name)
        p = problem or p
        try:
            st = e.stat(follow_symlinks=False)
        except OSError:
            continue
        if stat.S_ISLNK(st.st_mode):
            links += 1
        elif stat.S_ISDIR(st.st_mode):
            walk(e.path, p)
        elif stat.S_ISREG(st.st_mode):
            names_of.setdefault((st.st_dev, st.st_ino), []).append(e.path)
            if p:
                path_problem[e.path] = p
                bad_files[p] = bad_files.get(p, 0) + 1
        else:
            special += 1
walk(root, None)
# A file is left out when no name of it is one Windows could hold.
excluded = {k for k, paths in names_of.items() if all(p in path_problem for p in paths)}
names_total = sum(len(v) for v in names_of.values())
print(f"The tree: {len(names_of)} regular files under {names_total} names, {links} symbolic links, "
      f"{special} other special files")
for why, n in sorted(bad_files.items()):
    print(f"  names with {why} (in the name or a folder above): {n}")
print(f"  files left out of both sides, no name of theirs being a Windows name: {len(excluded)}")

def host_of_windows(path):
    if not path.startswith("D:\\"):
        return None
    rest = path[3:].replace("\\", "/")
    return root + b"/" + os.fsencode(rest) if rest else root

def key_of(path, side, problems):
    try:
        st = os.lstat(path)
    except OSError:
        problems.append(f"{side}: {os.fsdecode(path)!r} is not on the host")
        return None
    if stat.S_ISLNK(st.st_mode):
        problems.append(f"{side}: {os.fsdecode(path)!r} is a symbolic link")
        return None
    if not stat.S_ISREG(st.st_mode):
        problems.append(f"{side}: {os.fsdecode(path)!r} is no regular file")
        return None
    key = (st.st_dev, st.st_ino)
    if key not in names_of or path not in names_of[key]:
        problems.append(f"{side}: {os.fsdecode(path)!r} is reached through a link to a folder")
    return key

problems = []
# tolvex: GROUP<TAB>PATH<TAB>SIZE, then the status line.
tolvex_raw, status, tolvex_paths = {}, "", 0
seen_problem_names = {}
with open(sys.argv[2], encoding="utf-8", errors="surrogateescape") as f:
    for line in f:
        line = line.rstrip("\n")
        parts = line.split("\t")
        if len(parts) < 3 or not parts[0].isdigit():
            status = line
            continue
        group, path = parts[0], "\t".join(parts[1:-1])
        tolvex_paths += 1
        host = host_of_windows(path)
        if host is None:
            problems.append(f"tolvex: {path!r} is not on D:")
            continue
        if host in path_problem:
            seen_problem_names[path_problem[host]] = seen_problem_names.get(path_problem[host], 0) + 1
        tolvex_raw.setdefault(group, []).append(host)

jdupes_raw, current = [], []
with open(sys.argv[3], "rb") as f:
    for line in f:
        line = line.rstrip(b"\n")
        if not line:
            if current:
                jdupes_raw.append(current)
            current = []
        else:
            current.append(line)
if current:
    jdupes_raw.append(current)
jdupes_paths = sum(len(g) for g in jdupes_raw)

def groups_of(raw, side):
    groups, owner, twice = [], {}, 0
    for members in raw:
        keys = set()
        for path in members:
            k = key_of(path, side, problems)
            if k is None:
                continue
            if k in keys:
                twice += 1
            keys.add(k)
        for k in keys:
            if k in owner:
                problems.append(f"{side}: file {os.fsdecode(names_of.get(k, [b'?'])[0])!r} is in two groups")
            owner[k] = len(groups)
        keys -= excluded
        if len(keys) >= 2:
            groups.append(frozenset(keys))
    return groups, twice

tolvex_groups, tolvex_twice = groups_of(list(tolvex_raw.values()), "tolvex")
jdupes_groups, jdupes_twice = groups_of(jdupes_raw, "jdupes")
print(f"tolvex-cli: {len(tolvex_raw)} groups, {tolvex_paths} files listed; status \"{status}\"")
if seen_problem_names:
    print("  of them with names Windows cannot hold: " +
          ", ".join(f"{n} with {why}" for why, n in sorted(seen_problem_names.items())))
if tolvex_twice:
    problems.append(f"tolvex: {tolvex_twice} files listed twice in their group under two names")
print(f"jdupes -r -z: {len(jdupes_raw)} groups, {jdupes_paths} files listed, "
      f"{jdupes_twice} of them a second name of a file listed in the same group")
print(f"Compared, as sets of inodes without the left-out files and groups of fewer than two: "
      f"tolvex {len(tolvex_groups)} groups of {sum(map(len, tolvex_groups))} files, "
      f"jdupes {len(jdupes_groups)} groups of {sum(map(len, jdupes_groups))} files")
t, j = set(tolvex_groups), set(jdupes_groups)
print(f"Equal groups: {len(t & j)}")

def show(group):
    keys = sorted(group, key=lambda k: names_of.get(k, [b""])[0])
    size = os.lstat(names_of[keys[0]][0]).st_size if keys[0] in names_of else "?"
    shown = [os.fsdecode(names_of[k][0]) if k in names_of else str(k) for k in keys[:4]]
    return f"{len(group)} files of {size} bytes: " + ", ".join(shown) + (" ..." if len(group) > 4 else "")

by_inode_j = {k: g for g in j for k in g}
only_t, only_j = sorted(t - j, key=show), sorted(j - t, key=show)
for side, only, other in (("tolvex", only_t, j), ("jdupes", only_j, t)):
    if not only:
        continue
    print(f"Groups only {side} has: {len(only)}")
    for g in only[:limit]:
        relation = ""
        for o in other:
            if g < o:
                relation = f" (part of the other's group of {len(o)})"
                break
            if o < g:
                relation = f" (holds the other's group of {len(o)})"
                break
        print(f"  {show(g)}{relation}")
    if len(only) > limit:
        print(f"  ... and {len(only) - limit} more")
if problems:
    print(f"Problems: {len(problems)}")
    for p in problems[:limit]:
        print(f"  {p}")
    if len(problems) > limit:
        print(f"  ... and {len(problems) - limit} more")
print("Comparison: " + ("EQUAL" if t == j and not problems else "DIFFERENT"))
PY
fi

echo
timed_runs
print_table "$source_tree"
if [ -n "$(ls -A "$temp/cwd")" ]; then
    echo "Note: the tools left files in their working folder: $(ls -A "$temp/cwd" | tr '\n' ' ')"
fi
echo "Total time of the script: $((SECONDS - started)) s"
