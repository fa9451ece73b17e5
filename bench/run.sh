#!/usr/bin/env bash
# The macro benchmark: the full comparison through the program, each learner
# timed on its own, IAMB2 alone and IAMB1 within a time budget on 1,000
# variables, then the micro-benchmarks. Writes a markdown report to
# bench/RESULTS.md (BENCH_QUICK=1: to BUILD_DIR/bench-results-quick.md).
#
#   bench/run.sh BUILD_DIR
#
# IAMB2 alone also runs on 4,000 variables (data set C), the size at which the
# cost of a pass's ranking and p-values shows most.
#
# Environment:
#   BENCH_QUICK=1        100 variables instead of 500 and 1,000, short budget and
#                        micro-benchmarks: for trying the script out
#   BENCH_RUNS=N         runs per measurement (default 3; medians are reported)
#   BENCH_IAMB1_BUDGET=S seconds for IAMB1 on the 1,000-variable set (default 180)
#   BENCH_SKIP_MICRO=1   leave out the micro-benchmarks
#   BENCH_BOOTSTRAP_RESAMPLES=N  resamples of the bootstrap measurement (bench/bootstrap.sh; default 200)
#   BENCH_ONLY=bootstrap the bootstrap measurement alone (BENCH_RUNS rounds), its section on standard
#                        output; bench/RESULTS.md is left as it is
#   BENCH_SKIP_MPI=1     leave out gaussnet-mpi (bench/mpi.sh; BENCH_MPI_RUNS rounds on its large set)
#   BENCH_SKIP_PYTHON=1  leave out the Python module (bench/python.sh; BENCH_PYTHON_RUNS rounds)
#   BENCH_SKIP_R=1       leave out the R package (bench/r.sh; BENCH_R_RUNS rounds)
#   BENCH_PYTHON_ONLY=1  the Python module's comparison alone (BUILD_DIR/bench-results-python.md)
#   BENCH_R_ONLY=1       the R package's comparison alone (BUILD_DIR/bench-results-r.md)
#   BENCH_GENOME=1       also IAMB2 on 20,000 variables x 500 cases, once on 2 threads (minutes, about 5 GB;
#                        generating the data set, 0.5 GB, takes minutes more the first time)
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/run.sh BUILD_DIR" >&2
    exit 2
fi

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
QUICK=${BENCH_QUICK:-0}
RUNS=${BENCH_RUNS:-3}

GAUSSNET=$BUILD/gaussnet
SIM=$BUILD/gaussnet-sim
LEARNERS=$BUILD/bench/bench_learner_times
MEASURE=$BUILD/bench/bench_measure
MICRO=$BUILD/bench/bench_micro
for tool in "$GAUSSNET" "$SIM" "$LEARNERS" "$MEASURE" "$MICRO"; do
    if [ ! -x "$tool" ]; then
        echo "bench: $tool is missing; build with GAUSSNET_BENCH=ON first" >&2
        exit 1
    fi
done

# Data set A: the full comparison; data set B: more variables than cases.
if [ "$QUICK" = 1 ]; then
    A_VARS=100; A_CASES=1000
    B_VARS=100; B_CASES=500
    C_VARS=200; C_CASES=500
    BUDGET=${BENCH_IAMB1_BUDGET:-5}
    MICRO_ARGS=(--benchmark_min_time=0.01)
    READ_CASES=500
    REPORT=$BUILD/bench-results-quick.md
else
    A_VARS=500; A_CASES=1000
    B_VARS=1000; B_CASES=500
    C_VARS=4000; C_CASES=500
    BUDGET=${BENCH_IAMB1_BUDGET:-180}
    MICRO_ARGS=(--benchmark_min_time=0.2)
    READ_CASES=10000
    REPORT=$ROOT/bench/RESULTS.md
fi
A_SEED=500
B_SEED=1000
C_SEED=4000
THREADS=(1 2)
ALPHA=0.05
EXACT=0

say() { echo "bench: $*" >&2; }

# Median of the numbers on standard input (the mean of the middle two for an
# even count), printed with the format given (default 3 decimals).
median() {
    sort -g | awk -v f="${1:-%.3f}" '{ v[NR] = $1 } END {
        if (NR == 0) { print "n/a"; exit }
        m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf f "\n", m }'
}

# ratio A B: A / B to two decimals.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || b + 0 == 0) print "n/a"; else printf "%.2f\n", a / b }'
}

# field KEY FILE: the values of KEY=value in a bench_measure log, one a line.
field() { { grep -o "$1=[^ ]*" "$2" || true; } | cut -d= -f2; }

# learner LABEL FILE: the seconds of LABEL in bench_learner_times output, one a line.
learner() { awk -v l="$1" '$1 == l { print $2 }' "$2"; }

# value KEY FILE: KEY=value from the budget mode's output.
value() { awk -F= -v k="$1" '$1 == k { print $2; exit }' "$2"; }

# Generates a data set once with the simulator; later runs reuse it.
data_set() {
    local vars=$1 cases=$2 seed=$3
    local dir=$BUILD/bench-data/v${vars}_c${cases}_s${seed}
    if [ ! -f "$dir/data.txt" ] || [ ! -f "$dir/net.txt" ]; then
        say "generating $vars variables x $cases cases (seed $seed)"
        "$SIM" --vars "$vars" --cases "$cases" --seed "$seed" --force "$dir" >/dev/null
    fi
    echo "$dir"
}

A_DIR=$(data_set $A_VARS $A_CASES $A_SEED)
A_ARGS=("$A_DIR/data.txt" $A_CASES $A_VARS 1 $ALPHA $EXACT)
B_DIR=$(data_set $B_VARS $B_CASES $B_SEED)
B_ARGS=("$B_DIR/data.txt" $B_CASES $B_VARS 1 $ALPHA $EXACT)

# One package's comparison alone (python or r: bench/NAME.sh), its section
# into BUILD_DIR/bench-results-NAME.md.
comparison_alone() {
    local name=$1
    SCRATCH=$(mktemp -d "$BUILD/bench-scratch.XXXXXX")
    trap 'rm -rf "$SCRATCH"' EXIT
    LOGS=$SCRATCH/logs
    mkdir -p "$LOGS"
    LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
    "$MEASURE" -o "$LOGS/baseline" "$GAUSSNET" --version >/dev/null
    # shellcheck source=/dev/null
    . "$ROOT/bench/$name.sh"
    "${name}_measure"
    {
        "${name}_report"
        echo "Load average before: $LOAD_BEFORE; after: $(cut -d' ' -f1-3 /proc/loadavg). $(nproc) cores, $(date -u +%F)."
    } >"$BUILD/bench-results-$name.md"
    cat "$BUILD/bench-results-$name.md"
    exit 0
}
if [ "${BENCH_PYTHON_ONLY:-0}" = 1 ]; then comparison_alone python; fi
if [ "${BENCH_R_ONLY:-0}" = 1 ]; then comparison_alone r; fi

if [ "${BENCH_ONLY:-}" = bootstrap ]; then
    C_DIR=$A_DIR  # not used
else
    C_DIR=$(data_set $C_VARS $C_CASES $C_SEED)
fi

# The programs append to res.txt in their working directory: keep that out of the tree.
SCRATCH=$(mktemp -d "$BUILD/bench-scratch.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$SCRATCH/A" "$SCRATCH/B" "$SCRATCH/C" "$SCRATCH/logs"
cp "$A_DIR/net.txt" "$SCRATCH/A/net.txt"
cp "$B_DIR/net.txt" "$SCRATCH/B/net.txt"
cp "$C_DIR/net.txt" "$SCRATCH/C/net.txt"
LOGS=$SCRATCH/logs

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
STARTED=$(date +%s)

C_ARGS=("$C_DIR/data.txt" $C_CASES $C_VARS 1 $ALPHA $EXACT)

# The raw figures of the latest run stay in BUILD_DIR/bench-logs for a closer look.
trap 'rm -rf "$BUILD/bench-logs"; cp -r "$LOGS" "$BUILD/bench-logs" 2>/dev/null; rm -rf "$SCRATCH"' EXIT

if [ "${BENCH_ONLY:-}" = bootstrap ]; then
    # shellcheck source=bench/bootstrap.sh
    . "$ROOT/bench/bootstrap.sh"
    bootstrap_measure
    echo "- load average before / after: $LOAD_BEFORE / $(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    bootstrap_report
    exit 0
fi

# Rounds alternate the thread counts, so that a busy spell on the machine
# does not fall on one of them only.
for ((run = 1; run <= RUNS; run++)); do
    for t in "${THREADS[@]}"; do
        say "A: full comparison, $t thread(s), run $run/$RUNS"
        (cd "$SCRATCH/A" && "$MEASURE" -o "$LOGS/A_program_$t" "$GAUSSNET" --threads "$t" "${A_ARGS[@]}" \
            >"$LOGS/A_console_${t}_$run")
        say "A: learners one by one, $t thread(s), run $run/$RUNS"
        (cd "$SCRATCH/A" && "$LEARNERS" --threads "$t" "${A_ARGS[@]}" >>"$LOGS/A_learners_$t")
        say "B: IAMB2 alone, $t thread(s), run $run/$RUNS"
        (cd "$SCRATCH/B" && "$MEASURE" -o "$LOGS/B_program_$t" "$LEARNERS" --threads "$t" --only iamb2 "${B_ARGS[@]}" \
            >>"$LOGS/B_learners_$t")
    done
done

# The tests behind the full comparison: the instrumented loop, run to the end.
for t in "${THREADS[@]}"; do
    for v in 2 1; do
        say "A: tests of IAMB$v, $t thread(s)"
        (cd "$SCRATCH/A" && "$LEARNERS" --threads "$t" --budget 100000 --variant $v "${A_ARGS[@]}" \
            >"$LOGS/A_tests_${v}_$t")
    done
done

# IAMB2 alone on data set C, one thread: timed, then the instrumented loop once.
for ((run = 1; run <= RUNS; run++)); do
    say "C: IAMB2 alone, 1 thread, run $run/$RUNS"
    (cd "$SCRATCH/C" && "$LEARNERS" --threads 1 --only iamb2 "${C_ARGS[@]}" >>"$LOGS/C_learners_1")
done
say "C: tests of IAMB2, 1 thread"
(cd "$SCRATCH/C" && "$LEARNERS" --threads 1 --budget 100000 --variant 2 "${C_ARGS[@]}" >"$LOGS/C_tests_2_1")

# IAMB1 on data set B within the budget; timeout only guards against a hang.
for t in "${THREADS[@]}"; do
    say "B: IAMB1 for at most $BUDGET s, $t thread(s)"
    (cd "$SCRATCH/B" && timeout $((BUDGET + 300)) "$MEASURE" -o "$LOGS/B_budget_program_$t" \
        "$LEARNERS" --threads "$t" --budget "$BUDGET" --variant 1 "${B_ARGS[@]}" >"$LOGS/B_budget_$t") ||
        say "IAMB1 with $t thread(s) did not stop by itself (status $?)"
done

"$MEASURE" -o "$LOGS/baseline" "$GAUSSNET" --version >/dev/null

# shellcheck source=bench/bootstrap.sh
. "$ROOT/bench/bootstrap.sh"
bootstrap_measure

if [ "${BENCH_SKIP_MICRO:-0}" != 1 ]; then
    say "micro-benchmarks"
    GAUSSNET_BENCH_READ_CASES=$READ_CASES "$MICRO" "${MICRO_ARGS[@]}" >"$LOGS/micro" 2>&1
fi

# gaussnet-mpi, when it was built (CMake found MPI).
if [ -x "$BUILD/gaussnet-mpi" ] && [ "${BENCH_SKIP_MPI:-0}" != 1 ]; then
    # shellcheck source=bench/mpi.sh
    . "$ROOT/bench/mpi.sh"
    mpi_measure
    MPI_MEASURED=1
fi

# The Python module, when it was built (an interpreter with numpy and pybind11 was found).
if [ -d "$BUILD/python/gaussnet" ] && [ "${BENCH_SKIP_PYTHON:-0}" != 1 ]; then
    # shellcheck source=bench/python.sh
    . "$ROOT/bench/python.sh"
    python_measure
    PYTHON_MEASURED=1
fi

# The R package, when make test installed it into BUILD/r-lib.
if [ -d "$BUILD/r-lib/gaussnet" ] && [ "${BENCH_SKIP_R:-0}" != 1 ]; then
    # shellcheck source=bench/r.sh
    . "$ROOT/bench/r.sh"
    r_measure
    R_MEASURED=1
fi

# Opt-in: the gene-expression size of docs/cluster.md, which needs --long-header.
if [ "${BENCH_GENOME:-0}" = 1 ]; then
    G_VARS=20000; G_CASES=500; G_SEED=20000
    G_DIR=$(data_set $G_VARS $G_CASES $G_SEED)
    mkdir -p "$SCRATCH/G"
    ln -s "$G_DIR/net.txt" "$SCRATCH/G/net.txt"
    say "G: IAMB2 on $G_VARS variables x $G_CASES cases, 2 threads (minutes)"
    (cd "$SCRATCH/G" && "$MEASURE" -o "$LOGS/G_program" "$GAUSSNET" --threads 2 --long-header --learners IAMB2 \
        "$G_DIR/data.txt" $G_CASES $G_VARS 1 $ALPHA $EXACT >"$LOGS/G_console")
    GENOME_MEASURED=1
fi

LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
FINISHED=$(date +%s)

# ---------------------------------------------------------------------------
# The report.

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
version=$("$GAUSSNET" --version 2>&1 | head -1)
commit=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)
if ! git -C "$ROOT" diff --quiet HEAD -- src CMakeLists.txt 2>/dev/null; then
    commit="$commit (with uncommitted changes in src/)"
fi
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1e6 }'; }
# The memory allowance: the data as floats plus three n_vars x n_vars double matrices.
allowance() { mb $(($2 * $1 * 4 + 3 * $1 * $1 * 8)); }

{
    echo "# Benchmark results"
    echo
    echo "- machine: $cpu, $(nproc) cores available, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
    echo "- program: $version, commit $commit"
    echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC'), $((FINISHED - STARTED)) s for the whole run"
    echo "- load average before / after: $LOAD_BEFORE / $LOAD_AFTER (the machine is shared: other work may have run at the same time)"
    echo "- every figure is the median of $RUNS runs unless said otherwise; times are wall-clock seconds"
    if [ "$QUICK" = 1 ]; then echo "- QUICK RUN: reduced sizes, not comparable with the full figures"; fi
    echo

    echo "## Full comparison: $A_VARS variables x $A_CASES cases (seed $A_SEED)"
    echo
    echo "\`gaussnet --threads T data.txt $A_CASES $A_VARS 1 $ALPHA $EXACT\`. Per learner: each learner timed on its"
    echo "own (bench_learner_times, same library code as the program). Program: the whole process,"
    echo "start-up included; peak RSS of the process."
    echo
    echo "| threads | EE s | IAMB2 s | IAMB1 s | load s | program wall s | program CPU s | printed EE/IAMB2/IAMB1 | peak RSS MB |"
    echo "|---|---|---|---|---|---|---|---|---|"
    declare -A med
    for t in "${THREADS[@]}"; do
        for l in EE IAMB2 IAMB1 load net moral; do
            med[$l,$t]=$(learner $l "$LOGS/A_learners_$t" | median)
        done
        med[wall,$t]=$(field wall_s "$LOGS/A_program_$t" | median)
        med[cpu,$t]=$(paste <(field user_s "$LOGS/A_program_$t") <(field sys_s "$LOGS/A_program_$t") |
            awk '{ print $1 + $2 }' | median)
        med[rss,$t]=$(field maxrss_mb "$LOGS/A_program_$t" | median %.1f)
        printed=""
        for l in EE IAMB2 IAMB1; do
            p=$(cat "$LOGS"/A_console_"${t}"_* | sed -n "s/^[[:space:]]*$l:[[:space:]]*\([0-9]*\) sec.*/\1/p" | median %g)
            printed="$printed${printed:+/}$p"
        done
        echo "| $t | ${med[EE,$t]} | ${med[IAMB2,$t]} | ${med[IAMB1,$t]} | ${med[load,$t]} | ${med[wall,$t]} | ${med[cpu,$t]} | $printed | ${med[rss,$t]} |"
    done
    echo "| speedup 1 -> 2 | $(ratio "${med[EE,1]}" "${med[EE,2]}") | $(ratio "${med[IAMB2,1]}" "${med[IAMB2,2]}") | $(ratio "${med[IAMB1,1]}" "${med[IAMB1,2]}") | | $(ratio "${med[wall,1]}" "${med[wall,2]}") | | | |"
    echo
    echo "- start-up besides the data file: net.txt ${med[net,1]} s, moral graph ${med[moral,1]} s (1 thread)"
    echo "- memory allowance (data as floats + three n_vars x n_vars doubles): $(allowance $A_VARS $A_CASES) MB;"
    echo "  a process that does nothing (\`gaussnet --version\`) peaks at $(field maxrss_mb "$LOGS/baseline") MB"
    echo

    echo "### Tests per second (one run each, the learner's loop instrumented)"
    echo
    echo "| learner | threads | tests | passes | mean members per pass | most members | learn s | tests/s |"
    echo "|---|---|---|---|---|---|---|---|"
    for v in 2 1; do
        for t in "${THREADS[@]}"; do
            f=$LOGS/A_tests_${v}_$t
            echo "| IAMB$v | $t | $(value tests "$f") | $(value passes "$f") | $(value mean_members_per_pass "$f") | $(value most_members "$f") | $(value elapsed_s "$f") | $(value tests_per_s "$f") |"
        done
    done
    echo

    echo "## IAMB2 alone: $B_VARS variables x $B_CASES cases (seed $B_SEED)"
    echo
    echo "run_iamb(2) called directly (bench_learner_times --only iamb2); peak RSS of that process."
    echo
    echo "| threads | IAMB2 s | load s | moral graph s | peak RSS MB |"
    echo "|---|---|---|---|---|"
    for t in "${THREADS[@]}"; do
        med[B2,$t]=$(learner IAMB2 "$LOGS/B_learners_$t" | median)
        echo "| $t | ${med[B2,$t]} | $(learner load "$LOGS/B_learners_$t" | median) | $(learner moral "$LOGS/B_learners_$t" | median) | $(field maxrss_mb "$LOGS/B_program_$t" | median %.1f) |"
    done
    echo "| speedup 1 -> 2 | $(ratio "${med[B2,1]}" "${med[B2,2]}") | | | |"
    echo
    echo "- memory allowance: $(allowance $B_VARS $B_CASES) MB"
    echo

    echo "## IAMB2 alone: $C_VARS variables x $C_CASES cases (seed $C_SEED), 1 thread"
    echo
    echo "run_iamb(2) called directly (median of $RUNS runs); tests per second from one run of the learner's loop instrumented."
    echo
    echo "| threads | IAMB2 s | tests | passes | passes ranked by a full sort | passes with no p-value beyond the decisive ones | p-values deferred and never computed | mean members per pass | learn s (instrumented) | tests/s |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    f=$LOGS/C_tests_2_1
    share() { awk -v s="$1" -v p="$2" 'BEGIN { if (p > 0) printf "%s (%.1f%%)", s, 100 * s / p; else print "n/a" }'; }
    passes=$(value passes "$f")
    sorted=$(share "$(value sorted_passes "$f")" "$passes")
    lazy=$(share "$(value passes_without_deferred_pvalues "$f")" "$passes")
    never=$(awk -v d="$(value deferred_pvalues "$f")" -v t="$(value tests "$f")" 'BEGIN { if (t > 0) printf "%.1f%% of tests", 100 * d / t; else print "n/a" }')
    echo "| 1 | $(learner IAMB2 "$LOGS/C_learners_1" | median) | $(value tests "$f") | $passes | $sorted | $lazy | $never | $(value mean_members_per_pass "$f") | $(value elapsed_s "$f") | $(value tests_per_s "$f") |"
    echo
    echo "- a pass defers the p-values of non-members certainly above 0.04 (Fisher's z, alpha/2 at most 0.04); when its decision needs the full ranking, it computes only those that the ranking's keys need (see surrogate_keys.h), and all of them where the keys cannot be proved right"
    echo
    echo "- memory allowance: $(allowance $C_VARS $C_CASES) MB"
    echo

    echo "## IAMB1 within $BUDGET s: $B_VARS variables x $B_CASES cases"
    echo
    echo "The learner's loop run target after target (bench_learner_times --budget), one run per thread count."
    echo "The estimate for all targets scales the time by targets total / targets finished: rough, as targets differ widely."
    echo
    echo "| threads | finished | targets finished | passes | additions / removals | tests | tests/s | mean members per pass | most members | largest finished blanket | estimate for all targets |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|"
    for t in "${THREADS[@]}"; do
        f=$LOGS/B_budget_$t
        done_=$(value targets_finished "$f")
        total=$(value targets_total "$f")
        elapsed=$(value elapsed_s "$f")
        if [ "$(value completed "$f")" = 1 ]; then
            state="yes, in $elapsed s"
            estimate="$elapsed s"
        else
            state="no, stopped at $elapsed s"
            estimate=$(awk -v e="$elapsed" -v d="$done_" -v n="$total" 'BEGIN { if (d > 0) printf "~%.0f min", e * n / d / 60; else print "n/a" }')
        fi
        echo "| $t | $state | $done_ / $total | $(value passes "$f") | $(value additions "$f") / $(value removals "$f") | $(value tests "$f") | $(value tests_per_s "$f") | $(value mean_members_per_pass "$f") | $(value most_members "$f") | $(value largest_finished_blanket "$f") | $estimate |"
    done
    echo
    echo "Where the time goes (1 thread): passes by member count, the time inside ci_engine::test_pass"
    echo "(test_pass $(value test_pass_s "$LOGS/B_budget_1") s, deciding and bookkeeping $(value decide_s "$LOGS/B_budget_1") s, covariance $(value covariance_s "$LOGS/B_budget_1") s):"
    echo
    echo "| members | passes | seconds | share of test time | ms per pass |"
    echo "|---|---|---|---|---|"
    awk -v total="$(value test_pass_s "$LOGS/B_budget_1")" '/^bucket=/ {
        split($1, b, "="); split($2, p, "="); split($3, s, "=")
        printf "| %s | %s | %.3f | %.1f%% | %.3f |\n", b[2], p[2], s[2], (total > 0 ? 100 * s[2] / total : 0), (p[2] > 0 ? 1000 * s[2] / p[2] : 0)
    }' "$LOGS/B_budget_1"
    echo

    bootstrap_report

    if [ "${MPI_MEASURED:-0}" = 1 ]; then mpi_report; fi
    if [ "${PYTHON_MEASURED:-0}" = 1 ]; then python_report; fi
    if [ "${R_MEASURED:-0}" = 1 ]; then r_report; fi

    if [ "${GENOME_MEASURED:-0}" = 1 ]; then
        echo "## IAMB2 on $G_VARS variables x $G_CASES cases (seed $G_SEED), 2 threads, one run"
        echo
        echo "\`gaussnet --threads 2 --long-header --learners IAMB2 data.txt $G_CASES $G_VARS 1 $ALPHA $EXACT\`: the whole process."
        echo
        echo "| wall s | CPU s | peak RSS MB | memory allowance MB | printed |"
        echo "|---|---|---|---|---|"
        f=$LOGS/G_program
        echo "| $(field wall_s "$f") | $(paste <(field user_s "$f") <(field sys_s "$f") | awk '{ print $1 + $2 }') | $(field maxrss_mb "$f") | $(allowance $G_VARS $G_CASES) | $(sed -n 's/^[[:space:]]*IAMB2:[[:space:]]*//p' "$LOGS/G_console") |"
        echo
    fi

    if [ -f "$LOGS/micro" ]; then
        echo "## Micro-benchmarks"
        echo
        echo "\`bench_micro ${MICRO_ARGS[*]}\`: tests on 300 variables x 1,000 cases (target 150,"
        echo "members drawn with a fixed seed); per_test = time of one test within a pass; covariance on"
        echo "500 x 1,000 (items = pair-case products); reading a file of 1,000 variables x $READ_CASES cases"
        echo "(MB_per_s in decimal megabytes; bytes_per_second in binary ones)."
        echo
        echo '```'
        cat "$LOGS/micro"
        echo '```'
    fi
} >"$REPORT.tmp"
mv "$REPORT.tmp" "$REPORT"

cat "$REPORT"
say "report written to $REPORT"
