#!/bin/bash
# Where the CPU time of the show's display pass goes on its own thread: our code or Mesa's.
#   bash bench/scenes/profile-display.sh BUILD_DIR [SECONDS...]   (default scenes: 60 120)
# Runs kiv-scenes under perf with DWARF call graphs, keeps the samples of the main thread whose stack passes
# through Demo::display, and counts them by the library of the innermost frame that is not inlined.
set -euo pipefail
build=${1:?usage: profile-display.sh BUILD_DIR [SECONDS...]}
shift
scenes=("$@")
[ ${#scenes[@]} -gt 0 ] || scenes=(60 120)
data=$(mktemp /tmp/kiv-display-XXXXXX.perf)
trap 'rm -f "$data"' EXIT

perf record -q -F 997 --call-graph dwarf,16384 -o "$data" -- \
    "$build/bench/scenes/kiv-scenes" --rounds 1 --frames 300 "${scenes[@]}" >/dev/null 2>&1
perf script -i "$data" -F comm,pid,tid,ip,sym,dso 2>/dev/null | awk '
    function flush(   i, inside, leaf) {
        if (n > 0 && comm == "kiv-scenes" && pid == tid) {
            inside = 0
            for (i = 1; i <= n; i++) if (syms[i] ~ /Demo::display/) inside = 1
            if (inside) {
                leaf = dsos[1]
                for (i = 1; i <= n; i++) if (dsos[i] != "inlined") { leaf = dsos[i]; break }
                count[leaf]++
                total++
            }
        }
        n = 0
    }
    /^[^ \t]/ { flush(); comm = $1; split($2, ids, "/"); pid = ids[1]; tid = ids[2]; next }
    /^[ \t]*$/ { flush(); next }
    {
        dso = $0; sub(/.*\(/, "", dso); sub(/\)$/, "", dso); k = split(dso, parts, "/"); dso = parts[k]
        sym = $0; sub(/^[ \t]*[0-9a-f]+ /, "", sym); sub(/ \([^()]*\)$/, "", sym)
        n++; syms[n] = sym; dsos[n] = dso
    }
    END {
        flush()
        printf "%d samples of the display pass on the show thread\n", total
        for (d in count) printf "%6.1f%%  %s\n", 100 * count[d] / total, d | "sort -rn"
    }'
