# The bootstrap part of the benchmark, sourced by bench/run.sh (which defines
# GAUSSNET, LEARNERS, MEASURE, LOGS, SCRATCH, RUNS, QUICK, A_VARS, A_CASES,
# A_ARGS and the helpers median, ratio, field and learner): IAMB2 on data set
# A with --bootstrap on 2 threads, against the resamples' worth of one IAMB2
# run on one thread (bench_learner_times, the same library code).
#
# The bootstrap's seconds come from its results-table rows (millisecond
# resolution, one row per round); perfect scaling would take resamples x one
# run / 2. A resample's learning is not one run's, though (duplicated cases
# make denser structures and more tests), so the same bootstrap is also timed
# on one thread: its ratio to the 2-thread bootstrap is the scaling itself.
#
# Environment: BENCH_BOOTSTRAP_RESAMPLES (default 200; quick: 20).

if [ "$QUICK" = 1 ]; then BOOT_B=${BENCH_BOOTSTRAP_RESAMPLES:-20}; else BOOT_B=${BENCH_BOOTSTRAP_RESAMPLES:-200}; fi

# bootstrap_seconds FILE: the seconds of the IAMB2 bootstrap's row in a results table.
bootstrap_seconds() { awk -F, '$7 == "IAMB2 bootstrap" { print $11 }' "$1"; }

bootstrap_measure() {
    mkdir -p "$SCRATCH/A_boot"
    cp "$SCRATCH/A/net.txt" "$SCRATCH/A_boot/net.txt"
    rm -f "$LOGS/A_boot.csv" "$LOGS/A_boot1.csv"
    # Rounds alternate the bootstrap and one run on one thread, so that a busy
    # spell on the machine does not fall on one of them only.
    for ((run = 1; run <= RUNS; run++)); do
        say "A: IAMB2 with $BOOT_B bootstrap resamples, 2 threads, run $run/$RUNS"
        (cd "$SCRATCH/A_boot" && "$MEASURE" -o "$LOGS/A_boot_program" "$GAUSSNET" --threads 2 --learners IAMB2 \
            --bootstrap "$BOOT_B" --table "$LOGS/A_boot.csv" "${A_ARGS[@]}" >"$LOGS/A_boot_console")
        say "A: IAMB2 with $BOOT_B bootstrap resamples, 1 thread, run $run/$RUNS"
        (cd "$SCRATCH/A_boot" && "$MEASURE" -o "$LOGS/A_boot1_program" "$GAUSSNET" --threads 1 --learners IAMB2 \
            --bootstrap "$BOOT_B" --table "$LOGS/A_boot1.csv" "${A_ARGS[@]}" >/dev/null)
        # One run on one thread, its processor time too (a loaded machine stretches wall time, not that).
        (cd "$SCRATCH/A" && "$MEASURE" -o "$LOGS/A_boot_one_program" "$LEARNERS" --threads 1 --only iamb2 \
            "${A_ARGS[@]}" >>"$LOGS/A_boot_one")
    done
}

# cpu FILE: user + system seconds of each bench_measure line, one a line.
cpu() { paste -d' ' <(field user_s "$1") <(field sys_s "$1") | awk '{ printf "%.3f\n", $1 + $2 }'; }

bootstrap_report() {
    local boot boot1 one serial perfect boot_cpu one_cpu run_tests boot_tests
    boot=$(bootstrap_seconds "$LOGS/A_boot.csv" | median)
    boot1=$(bootstrap_seconds "$LOGS/A_boot1.csv" | median)
    run_tests=$(awk -F, '$7 == "IAMB2" { print $12; exit }' "$LOGS/A_boot.csv")
    boot_tests=$(awk -F, '$7 == "IAMB2 bootstrap" { print $12; exit }' "$LOGS/A_boot.csv")
    one=$(learner IAMB2 "$LOGS/A_boot_one" | median)
    boot_cpu=$(cpu "$LOGS/A_boot_program" | median)
    one_cpu=$(cpu "$LOGS/A_boot_one_program" | median)
    serial=$(awk -v b="$BOOT_B" -v s="$one" 'BEGIN { printf "%.3f", b * s }')
    perfect=$(awk -v s="$serial" 'BEGIN { printf "%.3f", s / 2 }')
    echo "## Bootstrap: IAMB2 with $BOOT_B resamples on $A_VARS variables x $A_CASES cases, 2 threads"
    echo
    echo "\`gaussnet --threads 2 --learners IAMB2 --bootstrap $BOOT_B\`; the bootstrap's seconds from its table row"
    echo "(drawing the resamples, their covariance matrices and learning them; median of $RUNS)."
    echo "One run on one thread: run_iamb(2) with its covariance (bench_learner_times, median of $RUNS,"
    echo "alternating with the bootstrap's rounds)."
    echo
    echo "| bootstrap s | one run, 1 thread s | $BOOT_B x one run s | perfect scaling on 2 threads s | bootstrap / ($BOOT_B x one run) | bootstrap / perfect | peak RSS MB |"
    echo "|---|---|---|---|---|---|---|"
    echo "| $boot | $one | $serial | $perfect | $(ratio "$boot" "$serial") | $(ratio "$boot" "$perfect") | $(field maxrss_mb "$LOGS/A_boot_program" | median %.1f) |"
    echo
    echo "Processor time (user + system, whole processes; the bootstrap's process also learns the run itself"
    echo "and reads the data once; medians): bootstrap process $boot_cpu s, one 1-thread run's process $one_cpu s;"
    echo "per resample $(awk -v b="$boot_cpu" -v o="$one_cpu" -v n="$BOOT_B" 'BEGIN { printf "%.3f", (b - o) / n }') s,"
    echo "$(ratio "$(awk -v b="$boot_cpu" -v o="$one_cpu" -v n="$BOOT_B" 'BEGIN { printf "%.3f", (b - o) / n }')" "$one_cpu") x one run's."
    echo
    echo "The same bootstrap on 1 thread: $boot1 s; 1 thread / 2 threads: $(ratio "$boot1" "$boot") (perfect: 2)."
    echo "Tests per resample: $(awk -v t="$boot_tests" -v n="$BOOT_B" 'BEGIN { printf "%.0f", t / n }'), one run on the"
    echo "data: $run_tests ($(ratio "$(awk -v t="$boot_tests" -v n="$BOOT_B" 'BEGIN { printf "%.0f", t / n }')" "$run_tests") x)."
    echo
    echo "Console line: \`$(grep -o 'IAMB2 bootstrap:.*' "$LOGS/A_boot_console" | tr '\t' ' ')\`"
    echo
}
