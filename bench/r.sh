# shellcheck shell=bash
# The R part of the benchmark, sourced by bench/run.sh (which defines BUILD,
# LOGS, SCRATCH, A_DIR, A_ARGS, A_CASES, A_VARS and the helpers median, ratio
# and field): gaussnet_learn with IAMB2 on data set B (1,000 variables x 500
# cases) against the program's IAMB2 run, in alternating rounds, 1 and 2
# threads. The package is the one `make test` installs into BUILD/r-lib.
#
# The program's learner seconds come from its results table; the package's
# are the call's wall time in R (input checks, scoring and result objects
# included), the run's own seconds, and the wall time of a call without the
# true network (the program scores outside its learner seconds). Memory: the
# program's peak resident size less that of `gaussnet --version`; the
# package's, the peak the call adds to an R process that already holds the
# data as a numeric matrix (bench/r_learn.R).
#
# BENCH_R_ONLY=1 bench/run.sh BUILD_DIR runs this comparison alone.
#
# Environment: BENCH_R_RUNS (rounds, default 5).

R_RUNS=${BENCH_R_RUNS:-5}

r_measure() {
    mkdir -p "$SCRATCH/R"
    cp "$A_DIR/net.txt" "$SCRATCH/R/net.txt"
    for ((run = 1; run <= R_RUNS; run++)); do
        for t in 1 2; do
            say "R: IAMB2 from the program and from R, $t thread(s), run $run/$R_RUNS"
            rm -f "$SCRATCH/R/table.csv"
            (cd "$SCRATCH/R" && "$MEASURE" -o "$LOGS/R_program_$t" "$GAUSSNET" --threads "$t" --learners IAMB2 \
                --table table.csv "${A_ARGS[@]}" >/dev/null)
            awk -F, 'NR == 2 { print $11 }' "$SCRATCH/R/table.csv" >>"$LOGS/R_program_seconds_$t"
            R_LIBS=$BUILD/r-lib Rscript "$ROOT/bench/r_learn.R" "$A_DIR/data.txt" "$A_CASES" "$A_VARS" \
                "$A_DIR/net.txt" "$t" >>"$LOGS/R_package_$t"
        done
    done
}

r_report() {
    local base
    base=$(field maxrss_mb "$LOGS/baseline" | median %.1f)
    echo "## R package: IAMB2 on $A_VARS variables x $A_CASES cases"
    echo
    echo "\`gaussnet_learn(data, learners = \"IAMB2\", truth = truth, threads = T)\` on a numeric matrix"
    echo "against \`gaussnet --threads T --learners IAMB2\` on the same file, $R_RUNS alternating rounds,"
    echo "medians. Program s: the learner seconds of its results table. Call s: the R call's wall time"
    echo "(input checks, moral graph, scoring and result objects included); run s: the run's own seconds;"
    echo "no-truth call s: the same call without \`truth\` (the work the program's learner seconds cover). Memory:"
    echo "the program's peak RSS less \`gaussnet --version\`'s ($base MB); the package's, the peak the call adds to R."
    echo
    echo "| threads | program s | call s | run s | no-truth call s | call / program | no-truth / program | program CPU s | call CPU s | program MB | call MB |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|"
    for t in 1 2; do
        local program call run bare cpu_program cpu_call rss extra
        program=$(median <"$LOGS/R_program_seconds_$t")
        call=$(field call_s "$LOGS/R_package_$t" | median)
        run=$(field seconds "$LOGS/R_package_$t" | median)
        bare=$(field bare_s "$LOGS/R_package_$t" | median)
        cpu_program=$(paste <(field user_s "$LOGS/R_program_$t") <(field sys_s "$LOGS/R_program_$t") |
            awk '{ print $1 + $2 }' | median)
        cpu_call=$(field cpu_s "$LOGS/R_package_$t" | median)
        rss=$(field maxrss_mb "$LOGS/R_program_$t" | awk -v b="$base" '{ print $1 - b }' | median %.1f)
        extra=$(field extra_mb "$LOGS/R_package_$t" | median %.1f)
        echo "| $t | $program | $call | $run | $bare | $(ratio "$call" "$program") | $(ratio "$bare" "$program") | $cpu_program | $cpu_call | $rss | $extra |"
    done
    echo
}

