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
echo "== the shipped program (win32): its checks, and end to end under 32-bit Wine"
ctest --preset win32
skipped win32
echo "== the same program built for x86_64 (win64): end to end under 64-bit Wine"
ctest --preset win64
skipped win64
