#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time, starting from
# the seed corpus in fuzz/corpus/. Exits non-zero when a target finds an
# input that breaks one of its checks (the input is kept in BUILD/artifacts).
#
#   tools/run-fuzz.sh [seconds per target, default 60] [build dir, default build-fuzz]
#
# Without clang or its fuzzer runtime it says so and exits 0 (tools/check-deps.sh
# installs both).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build="${2:-build-fuzz}"
targets=(data_file net_file number table_export)

cxx="${FUZZ_CXX:-$(command -v clang++ || true)}"
if [ -z "$cxx" ]; then
    echo "run-fuzz: clang++ not found; fuzzing skipped (tools/check-deps.sh installs it)" >&2
    exit 0
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    "$cxx" -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
    echo "run-fuzz: $cxx cannot link libFuzzer (package libclang-rt-dev); fuzzing skipped" >&2
    exit 0
fi

cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j "${JOBS:-2}" >/dev/null

# The readers open files by name: a memory-backed directory keeps that cheap.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

status=0
for target in "${targets[@]}"; do
    # New inputs go to a corpus of the build's own; the seeds stay as they are.
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    echo "run-fuzz: $target for ${seconds}s" >&2
    if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
        "$build/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" \
        >"$build/$target.log" 2>&1; then
        echo "run-fuzz: $target FAILED; see $build/$target.log and $artifacts/" >&2
        tail -n 40 "$build/$target.log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" | tr '\n' ' ' >&2
        echo >&2
    fi
done
exit "$status"
