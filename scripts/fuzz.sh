#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a bounded time over its
# checked-in corpus in tests/fuzz/corpus/<target>/. New inputs go to a scratch folder, so the checked-in
# corpus stays as it is; a crash is kept in build-fuzz/crashes/<target>/ and makes the script fail.
# KALVORA_FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${KALVORA_FUZZ_SECONDS:-20}
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORA_FUZZ=ON \
    -DKALVORA_TESTS=OFF -DKALVORA_BENCH=OFF >/dev/null
cmake --build "$dir" --target fuzzers --parallel "$(nproc)"

status=0
total=0
for exe in "$dir"/bin/fuzz_*; do
    target=$(basename "$exe")
    target=${target#fuzz_}
    corpus=tests/fuzz/corpus/$target
    work=$dir/work/$target
    crashes=$dir/crashes/$target
    mkdir -p "$corpus" "$work" "$crashes"
    log=$dir/work/$target.log
    if ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$crashes/" -print_final_stats=1 "$work" "$corpus" >"$log" 2>&1; then
        runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo 0)
        total=$((total + runs))
        echo "fuzz_$target: $runs runs, no crash"
    else
        status=1
        echo "fuzz_$target: FAILED (inputs in $crashes/)"
        grep -E 'ERROR|SUMMARY|^[a-zA-Z].*(differs|does not|is not|keeps|left)' "$log" | head -20 || true
    fi
done
echo "fuzzing: $total runs in all"
exit $status
