#!/usr/bin/env bash
# Rank-based correlation: edge quality of EE and IAMB2 on skewed simulated
# data (Pearson on the Gaussian data, Pearson on the transformed data, Spearman,
# Kendall and normal scores on the transformed data), the same on the
# protein-signalling data raw and logged, a check that the rank-based settings learn the same edges
# from the Gaussian and the transformed data, and the cost of the matrices.
# Prints a markdown section on standard output.
#
#   bench/ranks.sh BUILD_DIR
#
# Environment:
#   BENCH_RANK_VARS="100 500"  the simulated sets' sizes (1,000 cases each)
#   BENCH_RANK_SEED=7          their seed
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/ranks.sh BUILD_DIR" >&2
    exit 2
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
GAUSSNET=$BUILD/gaussnet
SIM=$BUILD/gaussnet-sim
MICRO=$BUILD/bench/bench_micro
SACHS=$ROOT/../shared/data/sachs
VARS=${BENCH_RANK_VARS:-"100 500"}
SEED=${BENCH_RANK_SEED:-7}
WORK=$(mktemp -d "$BUILD/bench-ranks.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# One comparison appended to the table: data file, cases, vars, correlation, label.
learn() {
    local dir=$1 data=$2 cases=$3 vars=$4 correlation=$5
    (cd "$dir" && "$GAUSSNET" --threads 2 --learners EE,IAMB2 --correlation "$correlation" \
        --table "$WORK/table.csv" "$data" "$cases" "$vars" 1 0.05 0 >/dev/null)
}

for vars in $VARS; do
    for transform in none exp mix; do
        "$SIM" --vars "$vars" --cases 1000 --seed "$SEED" --transform "$transform" "$WORK/p$vars-$transform" 2>/dev/null >/dev/null
    done
    learn "$WORK/p$vars-none" "$WORK/p$vars-none/data.txt" 1000 "$vars" pearson
    for transform in exp mix; do
        for correlation in pearson spearman kendall normal; do
            learn "$WORK/p$vars-$transform" "$WORK/p$vars-$transform/data.txt" 1000 "$vars" "$correlation"
        done
    done
done
if [ -f "$SACHS/net.txt" ]; then
    cp "$SACHS/net.txt" "$WORK/net.txt"
    for data in data_7466.txt data_logxplus10_7466.txt; do
        for correlation in pearson spearman kendall normal; do
            learn "$WORK" "$SACHS/$data" 7466 11 "$correlation"
        done
    done
fi

echo "## Rank-based correlation ($(date -u +%Y-%m-%dT%H:%MZ), load $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "Edge tpr / fdr at alpha 0.05, 2 threads; simulated sets: gaussnet-sim --cases 1000 --seed $SEED"
echo "with --transform none, exp or mix; seconds: the run's (the matrix included)."
echo
echo "| data | correlation | EE tpr / fdr | IAMB2 tpr / fdr | EE s | IAMB2 s |"
echo "|---|---|---|---|---|---|"
/usr/bin/python3 - "$WORK/table.csv" <<'PY'
import csv, os, sys
rows = list(csv.DictReader(open(sys.argv[1])))
for i in range(0, len(rows), 2):
    ee, iamb = rows[i], rows[i + 1]
    path = ee["data_file"]
    if "7466" in path:
        name = "protein, " + ("logged" if "log" in path else "raw")
    else:
        name = f"{ee['n_vars']} vars, " + os.path.basename(os.path.dirname(path)).split("-")[-1]
    fmt = lambda r: f"{float(r['edge_tpr']):.2f} / {float(r['edge_fdr']):.2f}"
    print(f"| {name} | {ee['correlation']} | {fmt(ee)} | {fmt(iamb)} | {ee['seconds']} | {iamb['seconds']} |")
PY
PY_STATUS=$?

echo
echo "Invariance: the learned edges (--export) of the Gaussian data and of its exp and mix transforms:"
echo
for correlation in spearman kendall normal; do
    for transform in none exp mix; do
        dir=$WORK/p100-$transform
        (cd "$dir" && "$GAUSSNET" --threads 2 --learners EE,IAMB2 --correlation "$correlation" --export "out-$correlation" \
            data.txt 1000 100 1 0.05 0 >/dev/null)
    done
    same=yes
    for transform in exp mix; do
        for run in EE IAMB2; do
            cmp -s "$WORK/p100-none/out-$correlation/$run.edges.csv" "$WORK/p100-$transform/out-$correlation/$run.edges.csv" || same=no
        done
    done
    echo "- $correlation, 100 variables: the same edges from none, exp and mix: $same"
done

if [ -x "$MICRO" ]; then
    echo
    echo "Cost of the matrices on 500 variables x 1,000 cases (bench_micro, real time):"
    echo
    echo '```'
    "$MICRO" --benchmark_filter='BM_(covariance|spearman|kendall|normal)' --benchmark_min_time=0.5 2>/dev/null | grep -E '^BM_'
    echo '```'
fi
exit $PY_STATUS
