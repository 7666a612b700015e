// copy_save_file over real files against copies of the same durability that
// let the kernel move the bytes. Each copy fills a temporary file beside the
// destination, flushes it to the disk and renames it over the destination,
// as a backup run does every interval.
//
// Each repetition times one copy: the time of a flush to the disk varies a
// lot from one to the next, so tools/bench.sh runs many repetitions,
// interleaved at random across the benchmarks, and compares the medians of
// single copies. The folder is $SAVEWARDEN_BENCH_DIR (default: copy_files in
// the working folder).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "baseline_copy.h"
#include "bench_files.h"
#include "core/save_copy.h"

namespace {

typedef int (*copy_fn)(const char *source, const char *destination);

void run_copies(benchmark::State &state, copy_fn copy, const char *tag)
{
    const size_t size = (size_t)state.range(0);
    const std::string source = bench_source(size);
    const std::string destination =
        bench_dir() + "/" + tag + "_" + std::to_string(size) + ".sav";
    if (source.empty()) {
        state.SkipWithError("could not write the source file");
        return;
    }
    // Every timed copy replaces an existing destination, as the backup runs
    // after the first one do.
    if (access(destination.c_str(), F_OK) != 0 &&
        !copy(source.c_str(), destination.c_str())) {
        state.SkipWithError("the first copy failed");
        return;
    }
    for (auto _ : state) {
        if (!copy(source.c_str(), destination.c_str())) {
            state.SkipWithError("a copy failed");
            return;
        }
    }
    if (!same_content(source, destination))
        state.SkipWithError("the destination differs from the source");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)size);
}

void ours(benchmark::State &state)
{
    run_copies(state, copy_save_file, "ours");
}

void copy_file_range_baseline(benchmark::State &state)
{
    run_copies(state, baseline_copy_file_range, "cfr");
}

void std_copy_file_baseline(benchmark::State &state)
{
    run_copies(state, baseline_std_copy_file, "stdfs");
}

void sizes(benchmark::internal::Benchmark *b)
{
    for (long size : {4L << 10, 100L << 10, 1L << 20, 16L << 20})
        b->Arg(size);
    // A flush waits for the disk: wall time is what a user waits for.
    b->Iterations(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(ours)->Apply(sizes);
BENCHMARK(copy_file_range_baseline)->Apply(sizes);
BENCHMARK(std_copy_file_baseline)->Apply(sizes);

BENCHMARK_MAIN();
