#!/usr/bin/env bash
# Alternating runs of two builds on the benchmark's data sets, for a before and
# after comparison on a shared machine: each round runs the old build, then the
# new one, so a busy spell falls on both. Prints the medians and new / old.
#
#   bench/compare.sh OLD_BUILD NEW_BUILD [ROUNDS]
#
# Measures (bench_learner_times): EE, IAMB2 and IAMB1 on 500 variables x 1,000
# cases with 1 and 2 threads, and IAMB2 alone on 1,000 x 500 with 1 thread.
# The data sets are generated once into OLD_BUILD/bench-data, as bench/run.sh does.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: bench/compare.sh OLD_BUILD NEW_BUILD [ROUNDS]" >&2
    exit 2
fi
OLD=$(cd "$1" && pwd)
NEW=$(cd "$2" && pwd)
ROUNDS=${3:-5}

data_set() {
    local vars=$1 cases=$2 seed=$3
    local dir=$OLD/bench-data/v${vars}_c${cases}_s${seed}
    if [ ! -f "$dir/data.txt" ]; then
        "$OLD/gaussnet-sim" --vars "$vars" --cases "$cases" --seed "$seed" --force "$dir" >/dev/null
    fi
    echo "$dir"
}
A=$(data_set 500 1000 500)
B=$(data_set 1000 500 1000)

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

# One line per learner: "<label> <seconds>", appended to LOG.
measure() {
    local build=$1 log=$2
    shift 2
    (cd "$SCRATCH" && cp "$A/net.txt" net.txt &&
        "$build/bench/bench_learner_times" "$@" >>"$log")
}

for ((round = 1; round <= ROUNDS; round++)); do
    for side in old new; do
        build=$OLD
        [ $side = new ] && build=$NEW
        for t in 1 2; do
            measure "$build" "$SCRATCH/${side}_A_$t" --threads $t "$A/data.txt" 1000 500 1 0.05 0
        done
        (cd "$SCRATCH" && cp "$B/net.txt" net.txt &&
            "$build/bench/bench_learner_times" --threads 1 --only iamb2 "$B/data.txt" 500 1000 1 0.05 0 \
                >>"$SCRATCH/${side}_B_1")
    done
    echo "compare: round $round/$ROUNDS done" >&2
done

median() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m }'; }
printf '| measurement | old s | new s | new / old |\n|---|---|---|---|\n'
row() {
    local name=$1 file=$2 label=$3
    local o n
    o=$(awk -v l="$label" '$1 == l { print $2 }' "$SCRATCH/old_$file" | median)
    n=$(awk -v l="$label" '$1 == l { print $2 }' "$SCRATCH/new_$file" | median)
    printf '| %s | %s | %s | %s |\n' "$name" "$o" "$n" "$(awk -v a="$n" -v b="$o" 'BEGIN { printf "%.3f", a / b }')"
}
for t in 1 2; do
    for l in EE IAMB2 IAMB1; do row "500 x 1,000, $t thread(s), $l" "A_$t" "$l"; done
done
row "1,000 x 500, 1 thread, IAMB2" "B_1" "IAMB2"
