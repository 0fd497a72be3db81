# Sourced by the duplicate finder's benchmarks: the peers installed when missing, the timed runs
# and the table. The script that sources it defines `names` (tool 0 is tolvex-cli), `measure I
# LIMIT`, `is_skipped I`, the arrays `secs` and `mem` that measure fills, and `runs`.

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
