# The MPI part of the benchmark, sourced by bench/run.sh (which defines
# BUILD, LOGS, SCRATCH, RUNS, QUICK, A_DIR, A_ARGS, the helpers median, ratio
# and field, and the data_set function). gaussnet-mpi on this one machine:
#
# - the full comparison on data set A with 2 ranks x 1 thread against
#   gaussnet with 1 process x 2 threads;
# - IAMB2 alone on data set C (4,000 variables x 500 cases; quick: 200) with
#   1 and 2 ranks of 1 thread, and gaussnet with 2 threads beside them.
#
# Learner seconds come from the results table (millisecond resolution); the
# wall time of the whole command includes mpirun's start-up. Each rank tells
# what it sent and its peak memory (GAUSSNET_MPI_STATS). Rounds alternate the
# programs, so that a busy spell on the shared machine does not fall on one only.
#
# Environment: BENCH_MPI_RUNS (rounds on data set C, default 2).

MPI_BIN=$BUILD/gaussnet-mpi
MPIEXEC=${MPIEXEC:-mpirun}
# As root (CI) and with more ranks than cores, Open MPI needs these.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
export OMPI_MCA_btl_vader_single_copy_mechanism=none

if [ "$QUICK" = 1 ]; then C_VARS=200; else C_VARS=4000; fi
C_CASES=500
C_SEED=4000
C_RUNS=${BENCH_MPI_RUNS:-2}

# table_seconds FILE: the sum of the seconds of the runs in a results table.
table_seconds() { awk -F, 'NR > 1 { s += $11 } END { printf "%.3f\n", s }' "$1"; }
# table_tests FILE: the sum of the tests of the runs in a results table.
table_tests() { awk -F, 'NR > 1 { s += $12 } END { printf "%d\n", s }' "$1"; }

# mpi_run NAME RANKS DIR ARGS...: gaussnet-mpi with RANKS ranks in DIR, timed; table and rank figures kept.
mpi_run() {
    local name=$1 ranks=$2 dir=$3
    shift 3
    rm -f "$LOGS/$name.csv"
    (cd "$dir" && GAUSSNET_MPI_STATS=1 "$MEASURE" -o "$LOGS/${name%_*}.wall" "$MPIEXEC" -np "$ranks" "$MPI_BIN" \
        --table "$LOGS/$name.csv" "$@" >"$LOGS/$name.out" 2>"$LOGS/$name.ranks")
}

# single_run NAME DIR ARGS...: gaussnet in DIR, timed, with its table.
single_run() {
    local name=$1 dir=$2
    shift 2
    rm -f "$LOGS/$name.csv"
    (cd "$dir" && "$MEASURE" -o "$LOGS/${name%_*}.wall" "$GAUSSNET" --table "$LOGS/$name.csv" "$@" \
        >"$LOGS/$name.out" 2>/dev/null)
}

mpi_measure() {
    C_DIR=$(data_set $C_VARS $C_CASES $C_SEED)
    mkdir -p "$SCRATCH/C"
    cp "$C_DIR/net.txt" "$SCRATCH/C/net.txt"
    C_ARGS=("$C_DIR/data.txt" $C_CASES $C_VARS 1 0.05 0)
    MPI_SAME=yes
    for ((run = 1; run <= RUNS; run++)); do
        say "MPI: A full comparison, 1 process x 2 threads / 2 ranks x 1 thread, run $run/$RUNS"
        single_run mA_single_$run "$SCRATCH/A" --threads 2 "${A_ARGS[@]}"
        mpi_run mA_spread_$run 2 "$SCRATCH/A" --threads 1 "${A_ARGS[@]}"
        cmp -s <(sed 's/[0-9]* sec\./0 sec./g' "$LOGS/mA_single_$run.out") \
            <(sed 's/[0-9]* sec\./0 sec./g' "$LOGS/mA_spread_$run.out") || MPI_SAME=no
    done
    for ((run = 1; run <= C_RUNS; run++)); do
        say "MPI: C IAMB2 alone, 1 rank / 2 ranks / gaussnet 2 threads, run $run/$C_RUNS"
        mpi_run mC_rank1_$run 1 "$SCRATCH/C" --threads 1 --learners IAMB2 "${C_ARGS[@]}"
        mpi_run mC_rank2_$run 2 "$SCRATCH/C" --threads 1 --learners IAMB2 "${C_ARGS[@]}"
        single_run mC_single_$run "$SCRATCH/C" --threads 2 --learners IAMB2 "${C_ARGS[@]}"
        for other in mC_rank2_$run mC_single_$run; do
            cmp -s <(sed 's/[0-9]* sec\./0 sec./g' "$LOGS/mC_rank1_$run.out") \
                <(sed 's/[0-9]* sec\./0 sec./g' "$LOGS/$other.out") || MPI_SAME=no
        done
    done
    # For the projection: the data file's reading and the covariance on C, one thread
    # (the budget is spent before the first pass ends).
    say "MPI: C data file and covariance, 1 thread"
    (cd "$SCRATCH/C" && "$LEARNERS" --threads 1 --budget 0.001 --variant 2 "${C_ARGS[@]}" >"$LOGS/mC_cov")
}

# seconds_median PREFIX: the median learner seconds of the tables PREFIX_*.csv.
seconds_median() { for f in "$LOGS/$1"_*.csv; do table_seconds "$f"; done | median; }

# rank_figure PREFIX RANK KEY: the median of "sent N bytes" (KEY sent) or "peak RSS N MB" (KEY rss) of RANK.
rank_figure() {
    local pattern
    case $3 in
        sent) pattern='s/.* rank '"$2"' of .*: sent \([0-9]*\) bytes.*/\1/p' ;;
        rss) pattern='s/.* rank '"$2"' of .*peak RSS \([0-9.]*\) MB.*/\1/p' ;;
        waited) pattern='s/.* rank '"$2"' of .*waited \([0-9.]*\) s.*/\1/p' ;;
    esac
    local format=%.0f
    case $3 in rss) format=%.1f ;; waited) format=%.3f ;; esac
    cat "$LOGS/$1"_*.ranks | sed -n "$pattern" | median "$format"
}

mpi_report() {
    local a1 a2 c1 c2 cs tests passes tps
    a1=$(seconds_median mA_single)
    a2=$(seconds_median mA_spread)
    c1=$(seconds_median mC_rank1)
    c2=$(seconds_median mC_rank2)
    cs=$(seconds_median mC_single)
    echo "## gaussnet-mpi on this machine"
    echo
    echo "Learner seconds: the sum of the runs' seconds in the results table (\`--table\`, milliseconds),"
    echo "which the program times from the start of each run to its end, covariance included; wall: the whole"
    echo "command, mpirun's start-up included. Console output of every MPI run the same bytes as gaussnet's"
    echo "(seconds aside): $MPI_SAME. Sent: what a rank sends, counted by the program (the input that rank 0"
    echo "broadcasts is counted once per receiving rank). Medians of $RUNS runs (A) and $C_RUNS runs (C)."
    echo
    echo "| data | command | learner s | wall s | rank 0 sent | rank 1 sent | rank 0 peak RSS MB | rank 1 peak RSS MB |"
    echo "|---|---|---|---|---|---|---|---|"
    echo "| A: $A_VARS x $A_CASES, EE + IAMB2 + IAMB1 | gaussnet --threads 2 | $a1 | $(field wall_s "$LOGS/mA_single.wall" | median) | | | $(field maxrss_mb "$LOGS/mA_single.wall" | median %.1f) | |"
    echo "| A | mpirun -np 2 gaussnet-mpi --threads 1 | $a2 | $(field wall_s "$LOGS/mA_spread.wall" | median) | $(rank_figure mA_spread 0 sent) | $(rank_figure mA_spread 1 sent) | $(rank_figure mA_spread 0 rss) | $(rank_figure mA_spread 1 rss) |"
    echo "| C: $C_VARS x $C_CASES, IAMB2 | mpirun -np 1 gaussnet-mpi --threads 1 | $c1 | $(field wall_s "$LOGS/mC_rank1.wall" | median) | $(rank_figure mC_rank1 0 sent) | | $(rank_figure mC_rank1 0 rss) | |"
    echo "| C | mpirun -np 2 gaussnet-mpi --threads 1 | $c2 | $(field wall_s "$LOGS/mC_rank2.wall" | median) | $(rank_figure mC_rank2 0 sent) | $(rank_figure mC_rank2 1 sent) | $(rank_figure mC_rank2 0 rss) | $(rank_figure mC_rank2 1 rss) |"
    echo "| C | gaussnet --threads 2 | $cs | $(field wall_s "$LOGS/mC_single.wall" | median) | | | $(field maxrss_mb "$LOGS/mC_single.wall" | median %.1f) | |"
    echo
    echo "- A: 2 ranks x 1 thread take $(ratio "$a2" "$a1") times the learner seconds of 1 process x 2 threads (target: at most 1.10)"
    echo "- C: 2 ranks against 1 rank: speedup $(ratio "$c1" "$c2"); 2 ranks x 1 thread against 1 process x 2 threads: $(ratio "$c2" "$cs")"
    echo "- time rank 1 waited with no target in hand: $(rank_figure mA_spread 1 waited) s on A, $(rank_figure mC_rank2 1 waited) s on C"
    echo "- covariance on C, one thread: $(value covariance_s "$LOGS/mC_cov") s; every rank estimates it for itself"
    tests=$(table_tests "$(ls "$LOGS"/mC_rank1_*.csv | head -1)")
    passes=$(awk -v t="$tests" -v n="$C_VARS" 'BEGIN { printf "%.0f", t / (n - 1) }')
    tps=$(awk -v t="$tests" -v s="$c1" 'BEGIN { printf "%.0f", t / s }')
    echo "- C, IAMB2 on one core: $tests tests, $passes passes ($(awk -v p="$passes" -v n="$C_VARS" 'BEGIN { printf "%.2f", p / n }') per target), $tps tests per second (covariance included)"
    echo
    mpi_projection "$tests" "$tps"
}

# The paper projection for IAMB2 on P_VARS variables x C_CASES cases over
# P_NODES nodes x P_CORES cores (one rank per node), from the figures above.
mpi_projection() {
    local tests=$1 tps=$2
    local p_vars=20000 p_nodes=8 p_cores=16
    echo "### Projection: IAMB2 on $p_vars variables x $C_CASES cases, $p_nodes nodes x $p_cores cores"
    echo
    awk -v n=$p_vars -v nodes=$p_nodes -v cores=$p_cores -v cases=$C_CASES -v cn=$C_VARS -v an=$A_VARS \
        -v tests="$tests" -v r="$tps" -v ra="$(value tests_per_s "$LOGS/A_tests_2_1")" -v pa="$(value passes "$LOGS/A_tests_2_1")" \
        -v cov="$(value covariance_s "$LOGS/mC_cov")" -v load="$(awk '$1 == "load" { print $2; exit }' "$LOGS/mC_cov")" '
    function gb(b) { return sprintf("%.2f GB", b / 1e9) }
    BEGIN {
        ppt = tests / (cn - 1) / cn                  # passes per target, as measured on C
        total = n * ppt * (n - 1)                    # every pass tests every other variable
        learn = total / (r * nodes * cores)          # at the rate of one core on C
        # The rate per test fell from A to C; if it falls alike from C on:
        e = (ra > 0 && r > 0) ? log(r / ra) / log(cn / an) : 0
        if (e > 0) e = 0                               # a rate that rose is not carried on
        slow = learn / ((n / cn) ^ e)
        covariance = cov * (n / cn) ^ 2 / cores       # every rank estimates it with its own threads
        reading = load * n / cn                        # rank 0 alone reads the data file
        input = n * cases * 4                          # what rank 0 sends to each rank
        memory = 8 * n * n + n * n + 4 * n * cases     # covariance, learned matrix, data
        printf "| quantity | value | from |\n|---|---|---|\n"
        printf "| passes per target | %.2f | C; %.2f on A (%d variables): fewer as variables grow, so on the safe side |\n", ppt, pa / an, an
        printf "| tests | %.3g | variables x passes per target x (variables - 1) |\n", total
        printf "| learning on one core | %.0f s (%.1f min) | tests / %.3g tests/s (one core on C) |\n", total / r, total / r / 60, r
        printf "| learning | %.1f s | tests / (%d cores x %.3g tests/s) |\n", learn, nodes * cores, r
        printf "| learning if the rate per test keeps falling as from A to C | %.1f s | rate x (variables ratio)^%.2f |\n", slow, e
        printf "| covariance, per rank | %.1f s | %.3f s on C, x (variables ratio)^2, over %d threads |\n", covariance, cov, cores
        printf "| reading the data file (rank 0) | %.1f s | %.3f s on C, x variables ratio |\n", reading, load
        printf "| data sent to each rank | %s | variables x cases x 4 bytes, once; the requests (12 bytes a target) and the learned rows (4 bytes a member) add well under 1%% |\n", gb(input)
        printf "| memory per rank | %s | 8 n^2 (covariance) + n^2 (learned matrix) + 4 n cases (data); rank 0 with a true network %s more (network, moral graph) |\n", gb(memory), gb(2 * n * n)
        printf "\n"
        printf "What bounds it: the tests themselves (learning, spread evenly by the dynamic hand-out; the last\n"
        printf "targets to finish add at most the time of the slowest single target). The covariance is repeated\n"
        printf "on every rank but costs seconds; communication is the one-off input (%s a rank) and a few bytes a\n", gb(input)
        printf "target. Memory is the hard limit: every rank holds the whole covariance matrix, %s at %d\n", gb(8 * n * n), n
        printf "variables and 8 n^2 bytes in general (20 GB at 50,000 variables).\n\n"
    }'
}
