#!/usr/bin/env bash
# Alternating runs of two builds on the benchmark's data sets, for a before and
# after comparison on a shared machine: each round runs the old build, then the
# new one, so a busy spell falls on both. Prints the medians and new / old.
#
#   bench/compare.sh OLD_BUILD NEW_BUILD [ROUNDS]
#
# Measures (bench_learner_times, one learner per process): EE, IAMB2 and IAMB1
# on 500 variables x 1,000 cases (A) with 1 and 2 threads, and IAMB2 on
# 1,000 x 500 (B) with 1 thread; the learner's wall time and the process's CPU time.
# With COMPARE_LARGE=1 also IAMB2 on 4,000 x 500 (C) with 1 thread.
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
# COMPARE_LARGE=1 adds IAMB2 on 4,000 x 500 (C), one thread: about 15 s a run.
LARGE=${COMPARE_LARGE:-0}
[ "$LARGE" = 1 ] && C=$(data_set 4000 500 4000)

SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

# run SIDE NAME DATA_DIR ARGS...: one learner alone under bench_measure; the
# learner's own wall time goes to SIDE_NAME, the process's user CPU time (which
# a busy machine disturbs less) to SIDE_NAME.cpu.
run() {
    local side=$1 name=$2 dir=$3
    shift 3
    local build=$OLD
    [ "$side" = new ] && build=$NEW
    cp "$dir/net.txt" "$SCRATCH/net.txt"
    rm -f "$SCRATCH/measure"
    (cd "$SCRATCH" && "$build/bench/bench_measure" -o "$SCRATCH/measure" "$build/bench/bench_learner_times" "$@" |
        awk '$1 == "EE" || $1 == "IAMB2" || $1 == "IAMB1" { print $2 }' >>"$SCRATCH/${side}_$name")
    grep -o 'user_s=[^ ]*' "$SCRATCH/measure" | cut -d= -f2 >>"$SCRATCH/${side}_$name.cpu"
}

for ((round = 1; round <= ROUNDS; round++)); do
    for side in old new; do
        for t in 1 2; do
            for l in ee iamb2 iamb1; do
                run $side "A_${t}_$l" "$A" --threads $t --only $l "$A/data.txt" 1000 500 1 0.05 0
            done
        done
        run $side B_1_iamb2 "$B" --threads 1 --only iamb2 "$B/data.txt" 500 1000 1 0.05 0
        if [ "$LARGE" = 1 ]; then
            run $side C_1_iamb2 "$C" --threads 1 --only iamb2 "$C/data.txt" 500 4000 1 0.05 0
        fi
    done
    echo "compare: round $round/$ROUNDS done" >&2
done

median() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| measurement | old s | new s | new / old | old CPU s | new CPU s | new / old |\n|---|---|---|---|---|---|---|\n'
names=(A_1_ee A_1_iamb2 A_1_iamb1 A_2_ee A_2_iamb2 A_2_iamb1 B_1_iamb2)
[ "$LARGE" = 1 ] && names+=(C_1_iamb2)
for name in "${names[@]}"; do
    o=$(median <"$SCRATCH/old_$name")
    n=$(median <"$SCRATCH/new_$name")
    oc=$(median <"$SCRATCH/old_$name.cpu")
    nc=$(median <"$SCRATCH/new_$name.cpu")
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$name" "$o" "$n" "$(ratio "$n" "$o")" "$oc" "$nc" "$(ratio "$nc" "$oc")"
done
