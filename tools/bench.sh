#!/usr/bin/env bash
# Builds what the measurements need and takes them all: the save-file copy
# against a baseline of the same durability, where its time goes, the
# backup timer's ticks in instructions, the start-up time and idle CPU time
# under Wine, and the shipped exe's footprint. Prints the tables of
# docs/performance.md; the raw results stay in build/bench-results/.
#
#   tools/bench.sh [--no-wine]
#
# Environment: BENCH_REPETITIONS (200) single copies of each kind and size,
# BENCH_WINE_SECONDS (60) length of each CPU stretch under Wine,
# BENCH_STARTUP_RUNS (10) timed starts, SAVEWARDEN_BENCH_DIR the folder of
# the copies (default build/host/bench/copy_files: on the disk of the build).
#
# Not part of the test command: it takes about eight minutes and its figures
# depend on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

wine_part=1
[ "${1:-}" = "--no-wine" ] && wine_part=0

# ---- tools -----------------------------------------------------------------
tools/setup.sh libbenchmark-dev valgrind strace

# ---- builds ----------------------------------------------------------------
jobs=$(nproc)
echo "== build host, win32, win64 and the Windows helpers"
for preset in host win32 win64; do
    cmake --preset "$preset" >/dev/null
done
cmake --build --preset host -j"$jobs" --target copy_bench \
    copy_bench_substitute copy_profile copy_profile_substitute tick_cost \
    tick_alloc_check >/dev/null
cmake --build --preset win32 -j"$jobs" >/dev/null
cmake --build --preset win64 -j"$jobs" >/dev/null
cmake -S bench/win -B build/bench-win64 \
    --toolchain "$root/cmake/x86_64-w64-mingw32.cmake" >/dev/null
cmake --build build/bench-win64 -j"$jobs" >/dev/null

out=$root/build/bench-results
rm -rf "$out"
mkdir -p "$out"
bin=$root/build/host/bench
export SAVEWARDEN_BENCH_DIR=${SAVEWARDEN_BENCH_DIR:-$bin/copy_files}
mkdir -p "$SAVEWARDEN_BENCH_DIR"
sizes="4096 102400 1048576 16777216"

# ---- machine -----------------------------------------------------------------
{
    echo "cpu $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
    echo "cpus $(nproc)"
    echo "kernel $(uname -r)"
    echo "memory_gib $(awk '/MemTotal/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo)"
    dev=$(df --output=source "$SAVEWARDEN_BENCH_DIR" | tail -1)
    echo "bench_dir $SAVEWARDEN_BENCH_DIR"
    echo "bench_fs $(df --output=fstype "$SAVEWARDEN_BENCH_DIR" | tail -1) on $dev"
    echo "bench_mount $(findmnt -no OPTIONS -T "$SAVEWARDEN_BENCH_DIR")"
    blk=$(lsblk -no PKNAME "$dev" 2>/dev/null | head -1)
    [ -n "$blk" ] || blk=$(basename "$dev")
    echo "bench_disk $blk rotational=$(cat /sys/block/"$blk"/queue/rotational 2>/dev/null || echo ?)"
    echo "hypervisor $(lscpu | sed -n 's/^Hypervisor vendor: *//p')"
    echo "wine $(/usr/lib/wine/wine64 --version 2>/dev/null || echo ?)"
    echo "compiler $(c++ --version | head -1)"
} >"$out/machine.txt"

# ---- the copy ------------------------------------------------------------------
echo "== copy benchmark (about 3 minutes)"
for layer in "" _substitute; do
    "$bin/copy_bench$layer" --benchmark_repetitions="${BENCH_REPETITIONS:-200}" \
        --benchmark_enable_random_interleaving=true \
        --benchmark_report_aggregates_only=true \
        --benchmark_out="$out/copy_bench$layer.json" \
        --benchmark_out_format=json >"$out/copy_bench$layer.txt" 2>&1
done

echo "== where a copy's time goes"
for size in $sizes; do
    copies=$((size >= 16777216 ? 20 : 200))
    for kind in ours pieces:2048 pieces:65536 cfr; do
        "$bin/copy_profile" "$kind" "$size" "$copies" \
            >"$out/profile_${kind/:/}_$size.txt"
    done
    "$bin/copy_profile_substitute" ours "$size" "$copies" \
        >"$out/profile_substitute_$size.txt"
    # System calls per copy: 11 copies less 1 copy, so that the set-up and
    # the check of the result cancel out.
    for kind in ours substitute cfr; do
        program=$bin/copy_profile
        [ $kind = substitute ] && program=$bin/copy_profile_substitute
        for n in 1 11; do
            strace -c -o "$out/strace_${kind}_${size}_$n.txt" \
                "$program" "${kind/substitute/ours}" "$size" "$n" >/dev/null
        done
    done
done

# ---- the ticks --------------------------------------------------------------------
echo "== ticks under callgrind"
callgrind() {  # name function args...
    local name=$1 fn=$2
    shift 2
    valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.$name" \
        --toggle-collect="$fn" "$bin/tick_cost" "$@" >/dev/null 2>&1
    echo "$name $(sed -n 's/^totals: *//p' "$out/callgrind.$name") $2"
}
{
    callgrind countdown measured_countdown_tick countdown 10000
    callgrind due_0 measured_due_tick due 1000 0
    callgrind due_4096 measured_due_tick due 1000 4096
    callgrind due_102400 measured_due_tick due 1000 102400
} >"$out/ticks.txt"
"$bin/tick_alloc_check" >"$out/alloc.txt" 2>&1 || true

# ---- footprint of the shipped exe ---------------------------------------------------
ctest --preset win32 -R '^footprint$' -V >"$out/footprint.txt" 2>&1 || true

# ---- under Wine ---------------------------------------------------------------------
if [ $wine_part -eq 1 ]; then
    echo "== under Wine (about $(( 4 * ${BENCH_WINE_SECONDS:-60} + 40 )) s)"
    bench/wine_measure.sh build/bench-wine build/win64/swarden.exe \
        build/bench-win64/swbench.exe build/bench-win64/bench_game.exe \
        >"$out/wine.txt"
fi

python3 bench/report.py "$out" | tee "$out/report.md"
