// copy_save_file over real files against copies of the same durability that
// let the kernel move the bytes; and the copy that keeps generations against
// the one that does not. Each copy fills a temporary file beside the
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

// How many generations the keeping copies keep: the settings' default.
const unsigned kept_generations = 5;

int keeping_copy(const char *source, const char *destination)
{
    return copy_save_file_keeping(source, destination, destination,
                                  kept_generations);
}

// Two sources of the size, copied in turn, so that every timed copy finds a
// changed save, as a backup after a real save does; or, with same_save,
// the one source every time, as when the game saved the same bytes.
void run_copies(benchmark::State &state, copy_fn copy, const char *tag,
                bool same_save = false)
{
    const size_t size = (size_t)state.range(0);
    const std::string sources[2] = {bench_source(size, 0),
                                    bench_source(size, same_save ? 0 : 1)};
    const std::string destination =
        bench_dir() + "/" + tag + "_" + std::to_string(size) + ".sav";
    if (sources[0].empty() || sources[1].empty()) {
        state.SkipWithError("could not write the source files");
        return;
    }
    // Every timed copy replaces an existing destination, as the backup runs
    // after the first one do; a keeping copy finds its row of generations
    // full, as it is after the first few saves of a session.
    for (unsigned n = 0; n <= kept_generations + 1; ++n)
        if (!copy(sources[n % 2].c_str(), destination.c_str())) {
            state.SkipWithError("the first copies failed");
            return;
        }
    unsigned turn = 0;
    for (auto _ : state) {
        turn ^= 1;
        if (!copy(sources[turn].c_str(), destination.c_str())) {
            state.SkipWithError("a copy failed");
            return;
        }
    }
    if (!same_content(sources[turn], destination))
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

// The copy with no generations, the copy that keeps five, and the keeping
// copy of a save that did not change.
void generations_0(benchmark::State &state)
{
    run_copies(state, copy_save_file, "single");
}

void generations_5(benchmark::State &state)
{
    run_copies(state, keeping_copy, "keeping");
}

void unchanged_5(benchmark::State &state)
{
    run_copies(state, keeping_copy, "unchanged", true);
}

void sizes(benchmark::internal::Benchmark *b)
{
    for (long size : {4L << 10, 100L << 10, 1L << 20, 16L << 20})
        b->Arg(size);
    // A flush waits for the disk: wall time is what a user waits for.
    b->Iterations(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
}

// Around a save of today's game, about 40 KiB.
void save_sizes(benchmark::internal::Benchmark *b)
{
    for (long size : {4L << 10, 40L << 10, 400L << 10, 1L << 20})
        b->Arg(size);
    b->Iterations(1)->UseRealTime()->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(ours)->Apply(sizes);
BENCHMARK(copy_file_range_baseline)->Apply(sizes);
BENCHMARK(std_copy_file_baseline)->Apply(sizes);
BENCHMARK(generations_0)->Apply(save_sizes);
BENCHMARK(generations_5)->Apply(save_sizes);
BENCHMARK(unchanged_5)->Apply(save_sizes);

BENCHMARK_MAIN();
