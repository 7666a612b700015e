#!/usr/bin/env bash
# Builds the three builds and runs every test: the unit tests on the host,
# and the whole program end to end under Wine.
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
echo "== checks of the shipped program (win32)"
ctest --preset win32
echo "== end-to-end tests under Wine (win64)"
ctest --preset win64
