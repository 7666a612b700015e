#!/usr/bin/env bash
# Builds the three builds and runs every test: the unit tests on the host,
# and the whole program end to end under Wine, as shipped (i686, 32-bit Wine)
# and built for x86_64 (64-bit Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)

for preset in host win32 win64; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
done

echo "== unit tests (host)"
ctest --preset host

# The same unit tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target for a few seconds from its seeds (tests/fuzz).
for preset in host-sanitize fuzz; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    echo "== tests ($preset)"
    ctest --preset "$preset"
done
# CTest prints nothing of a skipped test; its log keeps the reason.
skipped() {
    grep -h '^SKIPPED:' "build/$1/Testing/Temporary/LastTest.log" 2>/dev/null |
        sort | uniq -c | sed 's/^ *\([0-9]*\) /  skipped \1 test(s): /' || true
}
# The two Windows builds run side by side: each has its own Wine prefix,
# wineserver and X display, and their scenarios spend most of their time
# waiting on the program and the stand-in game, not on the processor. The
# x86_64 run's output is kept and shown after the shipped program's.
win64_log=build/win64/e2e-run.log
ctest --preset win64 >"$win64_log" 2>&1 &
win64_pid=$!
echo "== the shipped program (win32): its checks, and end to end under 32-bit Wine"
status=0
ctest --preset win32 || status=$?
skipped win32
win64_status=0
wait "$win64_pid" || win64_status=$?
echo "== the same program built for x86_64 (win64): end to end under 64-bit Wine"
cat "$win64_log"
skipped win64
[ "$status" -eq 0 ] && [ "$win64_status" -eq 0 ]
