#!/usr/bin/env python3
"""Prints the tables of docs/performance.md from the raw results that
tools/bench.sh leaves in a folder (build/bench-results)."""
import json
import os
import re
import sys

SIZES = [4096, 102400, 1048576, 16777216]
GOAL = 1.25  # ours/baseline, at 100 KiB and above


def size_text(n):
    if n >= 1 << 20:
        return "%d MiB" % (n >> 20)
    return "%d KiB" % (n >> 10)


def read_pairs(path):
    """'key value...' lines as a dict of key -> rest of the line."""
    pairs = {}
    if not os.path.exists(path):
        return pairs
    with open(path) as f:
        for line in f:
            parts = line.rstrip("\n").split(" ", 1)
            if len(parts) == 2:
                pairs[parts[0]] = parts[1]
    return pairs


def load_medians(path):
    with open(path) as f:
        data = json.load(f)
    med, cpu, cv = {}, {}, {}
    for b in data["benchmarks"]:
        if b.get("run_type") != "aggregate":
            continue
        name, size = b["run_name"].split("/")[:2]
        key = (name, int(size))
        if b["aggregate_name"] == "median":
            med[key] = b["real_time"]
            cpu[key] = b["cpu_time"]
        elif b["aggregate_name"] == "cv":
            cv[key] = b["real_time"] * 100
    reps = next((b.get("repetitions") for b in data["benchmarks"]), "?")
    return med, cpu, cv, reps


OURS, CFR, STD = "ours", "copy_file_range_baseline", "std_copy_file_baseline"


def copy_tables(out):
    path = os.path.join(out, "copy_bench.json")
    if not os.path.exists(path):
        return
    med, cpu, cv, reps = load_medians(path)
    print("### Save-file copy: median of %s single copies each, interleaved "
          "at random\n" % reps)
    print("| size | ours wall (µs) | copy_file_range wall (µs) "
          "| **ours/baseline** | goal ≤ %.2f× | ours CPU (µs) "
          "| baseline CPU (µs) | CPU ratio | std::filesystem::copy_file "
          "wall (µs) | ours/that |" % GOAL)
    print("|---:|---:|---:|---:|:---|---:|---:|---:|---:|---:|")
    for s in SIZES:
        if (OURS, s) not in med or (CFR, s) not in med or (STD, s) not in med:
            continue
        ratio = med[(OURS, s)] / med[(CFR, s)]
        goal = ("met" if ratio <= GOAL else "**not met**") \
            if s >= 102400 else "(not asked)"
        print("| %s | %.0f ±%.0f%% | %.0f ±%.0f%% | **%.2f×** | %s "
              "| %.0f | %.0f | %.2f× | %.0f ±%.0f%% | %.2f× |" % (
                  size_text(s), med[(OURS, s)], cv[(OURS, s)],
                  med[(CFR, s)], cv[(CFR, s)], ratio, goal,
                  cpu[(OURS, s)], cpu[(CFR, s)],
                  cpu[(OURS, s)] / cpu[(CFR, s)],
                  med[(STD, s)], cv[(STD, s)],
                  med[(OURS, s)] / med[(STD, s)]))
    print("\n(± is the coefficient of variation of the single copies; CPU is "
          "the benchmark thread's CPU time, user and system.)\n")

    path = os.path.join(out, "copy_bench_substitute.json")
    if not os.path.exists(path):
        return
    med, cpu, cv, reps = load_medians(path)
    print("Over the host test substitute (tests/host/host_files.cpp) instead "
          "of plain POSIX calls, in a run of its own:\n")
    print("| size | ours wall (µs) | copy_file_range wall (µs) "
          "| ours/baseline | ours CPU (µs) | baseline CPU (µs) | CPU ratio |")
    print("|---:|---:|---:|---:|---:|---:|---:|")
    for s in SIZES:
        if (OURS, s) not in med or (CFR, s) not in med:
            continue
        print("| %s | %.0f | %.0f | %.2f× | %.0f | %.0f | %.2f× |" % (
            size_text(s), med[(OURS, s)], med[(CFR, s)],
            med[(OURS, s)] / med[(CFR, s)], cpu[(OURS, s)], cpu[(CFR, s)],
            cpu[(OURS, s)] / cpu[(CFR, s)]))
    print()


def read_profile(path):
    rows = {}
    total = None
    with open(path) as f:
        for line in f:
            p = line.split()
            if p[0] == "total":
                total = float(p[1])
            elif p[0] != "copy":
                rows[p[0]] = (p[1], float(p[2]))
    return total, rows


def strace_counts(path):
    counts = {}
    with open(path) as f:
        for line in f:
            p = line.split()
            if len(p) >= 5 and p[0][0].isdigit() and p[-1] != "total":
                calls = int(p[3])
                counts[p[-1]] = calls
    return counts


def breakdown_table(out):
    kinds = [("ours", "ours"), ("substitute", "ours over the test substitute"),
             ("pieces2048", "bare 2048-byte loop"),
             ("pieces65536", "bare 64 KiB loop"), ("cfr", "copy_file_range")]
    if not os.path.exists(os.path.join(out, "profile_ours_4096.txt")):
        return
    print("### Where a copy's time goes (µs per copy, wall time inside each "
          "kind of call)\n")
    print("| size | copy | total | read + write / copy_file_range | fsync "
          "| rename | open, close, unlink, fstat | outside calls |")
    print("|---:|:---|---:|---:|---:|---:|---:|---:|")
    for s in SIZES:
        for kind, label in kinds:
            name = "profile_%s_%d.txt" % (kind, s)
            if kind == "substitute":
                name = "profile_substitute_%d.txt" % s
            path = os.path.join(out, name)
            if not os.path.exists(path):
                continue
            total, rows = read_profile(path)

            def us(*names):
                return sum(rows[n][1] for n in names if n in rows)
            moving = us("read", "write", "copy_file_range")
            print("| %s | %s | %.0f | %.0f (%.0f%%) | %.0f (%.0f%%) "
                  "| %.0f (%.0f%%) | %.0f | %.0f |" % (
                      size_text(s), label, total, moving,
                      100 * moving / total, us("fsync"),
                      100 * us("fsync") / total, us("rename"),
                      100 * us("rename") / total,
                      us("open", "close", "unlink", "fstat"),
                      us("outside_calls")))
    print()
    if not os.path.exists(os.path.join(out, "strace_ours_4096_1.txt")):
        return
    print("### System calls per copy (strace -c, 11 copies less 1)\n")
    print("| size | ours: calls | ours: bytes per call | ours: read / write "
          "| over the substitute: calls | baseline: calls "
          "| baseline: bytes per call |")
    print("|---:|---:|---:|---:|---:|---:|---:|")

    def per_copy(kind, s):
        a = strace_counts(os.path.join(out, "strace_%s_%d_11.txt" % (kind, s)))
        b = strace_counts(os.path.join(out, "strace_%s_%d_1.txt" % (kind, s)))
        return {k: (a.get(k, 0) - b.get(k, 0)) / 10.0 for k in set(a) | set(b)}
    for s in SIZES:
        ours = per_copy("ours", s)
        sub = per_copy("substitute", s)
        base = per_copy("cfr", s)
        n_ours, n_sub, n_base = (sum(ours.values()), sum(sub.values()),
                                 sum(base.values()))
        print("| %s | %.0f | %.0f | %.0f / %.0f | %.0f | %.0f | %.0f |" % (
            size_text(s), n_ours, s / n_ours, ours.get("read", 0),
            ours.get("write", 0), n_sub, n_base, s / n_base))
    print()
    for kind, label in (("ours", "ours"), ("substitute", "ours over the "
                        "substitute"), ("cfr", "the baseline")):
        calls = per_copy(kind, 4096)
        print("Calls of one 4 KiB copy, %s: " % label + ", ".join(
            "%s %g" % (k, v) for k, v in sorted(calls.items()) if v) + "  ")
    print()


def tick_table(out):
    ticks = read_pairs(os.path.join(out, "ticks.txt"))
    if not ticks:
        return
    print("### Backup timer ticks (callgrind, instructions per tick, "
          "platform without I/O)\n")
    print("| tick | instructions per tick |")
    print("|:---|---:|")
    labels = [("countdown", "countdown tick (caption update)"),
              ("due_0", "due tick, empty save file"),
              ("due_4096", "due tick, 4 KiB save file"),
              ("due_102400", "due tick, 100 KiB save file")]
    for key, label in labels:
        if key in ticks:
            total, count = ticks[key].split()
            print("| %s | %s |" % (label,
                                   format(round(int(total) / int(count)), ",")))
    alloc = os.path.join(out, "alloc.txt")
    if os.path.exists(alloc):
        text = open(alloc).read()
        m = re.search(r"heap allocations in (\d+) countdown ticks: (\d+)", text)
        d = re.search(r"heap allocations in (\d+) due ticks: (\d+)", text)
        if m:
            print("\nHeap allocations: %s in %s countdown ticks (check %s)"
                  % (m.group(2), m.group(1),
                     "passed" if "PASS" in text else "FAILED")
                  + ("; %s in %s due ticks (the copy's buffer)"
                     % (d.group(2), d.group(1)) if d else "") + ".")
    print()


def wine_table(out):
    w = read_pairs(os.path.join(out, "wine.txt"))
    if not w:
        return
    print("### Under Wine (swarden.exe, win64 build)\n")
    print("| measure | figure |")
    print("|:---|---:|")
    runs = w.get("startup_runs", "?")
    print("| start to dialog visible, median of %s (min–max) | %s ms "
          "(%s–%s) |" % (runs, w.get("startup_visible_ms_median"),
                        w.get("startup_visible_ms_min"),
                        w.get("startup_visible_ms_max")))
    print("| start to waiting for input, median of %s (min–max) | %s ms "
          "(%s–%s) |" % (runs, w.get("startup_idle_ms_median"),
                        w.get("startup_idle_ms_min"),
                        w.get("startup_idle_ms_max")))
    print("| first start (visible / waiting for input) | %s / %s ms |" % (
        w.get("startup_first_visible_ms"), w.get("startup_first_idle_ms")))
    print("| any process start to its end here (empty program), median | "
          "%s ms |" % w.get("bare_process_ms_median"))
    print("| Go to the first countdown caption, game polling for input | "
          "%s ms |" % w.get("go_to_countdown_ms"))
    secs = int(w.get("cpu_seconds", "60"))
    clk = int(w.get("clock_ticks_per_s", "100"))
    for phase, label in (("idle", "idle before Go, caret in a field"),
                         ("idle_no_caret", "idle before Go, focus on Go"),
                         ("countdown_no_caret", "countdown, focus on Go"),
                         ("countdown", "countdown, caret in a field")):
        if phase + "_app_us" not in w:
            continue
        ticks = int(w[phase + "_app_ticks"])
        print("| CPU over %d s, %s: utime+stime | %d ticks = %d ms |"
              % (secs, label, ticks, ticks * 1000 // clk))
        print("| CPU over %d s, %s: scheduler time, all threads | %.1f ms "
              "(%.3f%% of one core) |" % (
                  secs, label, int(w[phase + "_app_us"]) / 1000.0,
                  int(w[phase + "_app_us"]) / 1e4 / secs))
        print("| CPU over %d s, %s: wineserver | %.1f ms |" % (
            secs, label, int(w[phase + "_server_us"]) / 1000.0))
        print("| caption at start → end of the %d s, %s | %s → %s |" % (
            secs, label, w.get(phase + "_caption_start", "?").replace("_", " "),
            w.get(phase + "_caption_end", "?").replace("_", " ")))
    print()


def footprint(out):
    path = os.path.join(out, "footprint.txt")
    if not os.path.exists(path):
        return
    text = open(path).read()
    size = re.search(r"size: (\d+) bytes \(limit (\d+)\)", text)
    imports = re.search(r"imports: (\d+) functions from ([^\n]*)", text)
    passed = re.search(r"100% tests passed", text) is not None
    print("### Footprint of the shipped 32-bit exe (check `footprint`, "
          "win32 preset)\n")
    if size:
        print("- size stripped: %s bytes (%.1f KiB), limit %s bytes"
              % (size.group(1), int(size.group(1)) / 1024.0, size.group(2)))
    if imports:
        print("- imports: %s functions from %s" % (imports.group(1),
                                                   imports.group(2).strip()))
    print("- check: %s\n" % ("passed" if passed else "FAILED"))


def machine(out):
    m = read_pairs(os.path.join(out, "machine.txt"))
    if not m:
        return
    print("### Machine\n")
    for key in ("cpu", "cpus", "memory_gib", "hypervisor", "kernel",
                "bench_dir", "bench_fs", "bench_mount", "bench_disk", "wine",
                "compiler"):
        if key in m:
            print("- %s: %s" % (key, m[key]))
    print()


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "build/bench-results"
    machine(out)
    copy_tables(out)
    breakdown_table(out)
    tick_table(out)
    wine_table(out)
    footprint(out)


if __name__ == "__main__":
    main()
