#!/usr/bin/env bash
# Runs one fuzz target for a bounded time from its committed seeds, and fails
# on any crash, sanitizer report, leak, timeout or failed check.
#   run_fuzz.sh <fuzzer> <seed-dir> <work-dir> <seconds> <max-runs>
# New inputs the fuzzer finds go to <work-dir>/corpus (emptied first, so every
# run starts from the seeds alone); an input that fails is kept in
# <work-dir>/artifacts and replays with: <fuzzer> <that file>
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4 max_runs=$5

seed_count=$(find "$seeds" -type f | wc -l)
if [ "$seed_count" -eq 0 ]; then
    echo "FAIL: no seeds in $seeds"
    exit 1
fi

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
log="$work/fuzz.log"

"$fuzzer" -max_total_time="$seconds" -runs="$max_runs" -max_len=4096 \
    -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" >"$log" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
found=$(find "$work/corpus" -type f | wc -l)
echo "$(basename "$fuzzer"): ${runs:-?} inputs run, $seed_count seeds," \
     "$found new corpus inputs, exit status $status"

if [ "$status" -ne 0 ] ||
   grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|fuzz check failed' "$log"; then
    tail -n 60 "$log"
    echo "FAIL: see $log; failing inputs in $work/artifacts:"
    ls -l "$work/artifacts"
    exit 1
fi
if [ -z "$runs" ] || [ "$runs" -lt "$seed_count" ]; then
    tail -n 20 "$log"
    echo "FAIL: the fuzzer ran fewer inputs than there are seeds"
    exit 1
fi
exit 0
