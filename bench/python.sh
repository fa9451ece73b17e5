# The Python part of the benchmark, sourced by bench/run.sh (which defines
# BUILD, LOGS, SCRATCH, RUNS, A_DIR, A_ARGS, A_CASES, A_VARS and the helpers
# median, ratio and field): gaussnet.learn with IAMB2 on data set B (1,000
# variables x 500 cases) against the program's IAMB2 run, in alternating
# rounds, 1 and 2 threads.
#
# The program's learner seconds come from its results table; the module's
# are the call's wall time in Python (input conversion and result objects
# included) and the run's own seconds. Memory: the program's peak resident
# size less that of `gaussnet --version`; the module's, the peak the call
# adds to an interpreter that already holds the data (bench/python_learn.py).
#
# Environment: BENCH_PYTHON (default /usr/bin/python3), BENCH_PYTHON_RUNS
# (rounds, default 5).

PYTHON=${BENCH_PYTHON:-/usr/bin/python3}
PY_RUNS=${BENCH_PYTHON_RUNS:-5}

python_measure() {
    mkdir -p "$SCRATCH/P"
    cp "$A_DIR/net.txt" "$SCRATCH/P/net.txt"
    for ((run = 1; run <= PY_RUNS; run++)); do
        for t in 1 2; do
            say "P: IAMB2 from the program and from Python, $t thread(s), run $run/$PY_RUNS"
            rm -f "$SCRATCH/P/table.csv"
            (cd "$SCRATCH/P" && "$MEASURE" -o "$LOGS/P_program_$t" "$GAUSSNET" --threads "$t" --learners IAMB2 \
                --table table.csv "${A_ARGS[@]}" >/dev/null)
            awk -F, 'NR == 2 { print $11 }' "$SCRATCH/P/table.csv" >>"$LOGS/P_program_seconds_$t"
            PYTHONPATH=$BUILD/python "$PYTHON" "$ROOT/bench/python_learn.py" "$A_DIR/data.txt" "$A_CASES" "$A_VARS" \
                "$A_DIR/net.txt" "$t" >>"$LOGS/P_module_$t"
        done
    done
}

python_report() {
    local base
    base=$(field maxrss_mb "$LOGS/baseline" | median %.1f)
    echo "## Python module: IAMB2 on $A_VARS variables x $A_CASES cases"
    echo
    echo "\`gaussnet.learn(data, learners=[\"IAMB2\"], truth=truth, threads=T)\` against"
    echo "\`gaussnet --threads T --learners IAMB2\` on the same file, $PY_RUNS alternating rounds, medians."
    echo "Program s: the learner seconds of its results table. Call s: the Python call's wall time"
    echo "(input rounding and result objects included); run s: the run's own seconds. Memory: the program's"
    echo "peak RSS less \`gaussnet --version\`'s ($base MB); the module's, the peak the call adds to the"
    echo "interpreter. One single-precision copy of the data is $(awk -v n=$((A_VARS * A_CASES * 4)) 'BEGIN { printf "%.1f", n / 1e6 }') MB."
    echo
    echo "| threads | program s | call s | run s | call / program | program CPU s | call CPU s | program MB | call MB |"
    echo "|---|---|---|---|---|---|---|---|---|"
    for t in 1 2; do
        local program call run cpu_program cpu_call rss extra
        program=$(median <"$LOGS/P_program_seconds_$t")
        call=$(field call_s "$LOGS/P_module_$t" | median)
        run=$(field seconds "$LOGS/P_module_$t" | median)
        cpu_program=$(paste <(field user_s "$LOGS/P_program_$t") <(field sys_s "$LOGS/P_program_$t") |
            awk '{ print $1 + $2 }' | median)
        cpu_call=$(field cpu_s "$LOGS/P_module_$t" | median)
        rss=$(field maxrss_mb "$LOGS/P_program_$t" | awk -v b="$base" '{ print $1 - b }' | median %.1f)
        extra=$(field extra_mb "$LOGS/P_module_$t" | median %.1f)
        echo "| $t | $program | $call | $run | $(ratio "$call" "$program") | $cpu_program | $cpu_call | $rss | $extra |"
    done
    echo
    echo "Program CPU s covers the whole process (reading the file included); call CPU s the call alone."
    echo
}
