# Sourced by the duplicate finder's benchmarks: the peers installed when missing, one timed run,
# the timed runs and the table. The script that sources it defines `names` (tool 0 is tolvex-cli),
# `tool_command I` (which sets `cmd`), `temp` (with out/ and cwd/), the associative arrays `secs`
# and `mem`, `skipped` and `runs`.

install_peers() {
    local missing=() p sudo=""
    for p in jdupes rdfind fdupes rmlint time; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get install -y -q "${missing[@]}"
    fi
}

# One run of tool $1 under /usr/bin/time, ended after $2 seconds unless 0; its exit status (124
# when it was ended).
measure() {
    local i=$1 limit=${2:-0} figures rc=0
    local -a cmd
    tool_command "$i"
    (cd "$temp/cwd" && exec timeout "$limit" /usr/bin/time -f "%e %M" -o "$temp/out/time.$i" "${cmd[@]}" \
        >"$temp/out/stdout.$i" 2>"$temp/out/stderr.$i") || rc=$?
    if ((rc == 0)); then
        figures="$(tail -n 1 "$temp/out/time.$i")"
        secs[$i]+="${figures% *} "
        mem[$i]+="${figures#* } "
    fi
    return $rc
}

is_skipped() {
    local s
    for s in "${skipped[@]}"; do [ "$s" = "$1" ] && return 0; done
    return 1
}

# Every tool once a run, alternating, so that a slow moment of the machine falls on all of them.
timed_runs() {
    local r i
    for ((r = 1; r <= runs; ++r)); do
        echo "Run $r of $runs ..."
        for i in "${!names[@]}"; do
            is_skipped "$i" && continue
            measure "$i" 0 || echo "  ${names[$i]} failed in run $r"
        done
    done
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]}'; }

# The medians of every tool and their ratios to the fastest peer; $1 says what was scanned.
print_table() {
    local fastest="" i m t k
    for i in "${!names[@]}"; do
        ((i == 0)) && continue
        is_skipped "$i" && continue
        m="$(median <<<"${secs[$i]}")"
        [ -n "$m" ] || continue
        if [ -z "$fastest" ] || awk -v a="$m" -v b="$fastest" 'BEGIN {exit !(a < b)}'; then fastest=$m; fi
    done
    echo
    echo "Medians of $runs warm runs on $1:"
    printf '%-34s %9s %10s  %s\n' program "time, s" "peak, MB" "ratio to the fastest peer"
    for i in "${!names[@]}"; do
        if is_skipped "$i"; then
            printf '%-34s %9s\n' "${names[$i]}" "left out"
            continue
        fi
        t="$(median <<<"${secs[$i]}")"
        k="$(median <<<"${mem[$i]}")"
        if [ -z "$t" ]; then
            printf '%-34s %9s\n' "${names[$i]}" "no run"
            continue
        fi
        awk -v n="${names[$i]}" -v t="$t" -v k="$k" -v f="$fastest" \
            'BEGIN {r = (f > 0) ? sprintf("%.2f", t / f) : "-"; printf "%-34s %9.2f %10.1f  %s\n", n, t, k / 1024, r}'
    done
}
