#!/usr/bin/env bash
# The soak: Savewarden under Wine with interval 0:01 for 300 due ticks in a
# row, the stand-in game writing saves of 0 bytes to 1 MiB. Checks after
# every tick that the backup is exactly what the game wrote, and at the end
# that Savewarden's memory and handles did not grow; prints the figures.
# Takes about six minutes, so it is not part of tools/test.sh.
#
# It builds in a folder of its own, build/win64-soak, configured with
# SAVEWARDEN_SOAK=ON, so the everyday build keeps its short test run.
# E2E_SOAK_TICKS=N runs N due ticks instead of 300 (at least 150).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
build=build/win64-soak
cmake --preset win64 -B "$build" -DSAVEWARDEN_SOAK=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

status=0
ctest --test-dir "$build" -L soak --output-on-failure || status=$?
figures="$build/tests/e2e/wine/soak.out"
if [ -f "$figures" ]; then
    echo "== soak figures ($figures)"
    grep -E "figures:|ok: .*(grow|flat|in a row)|^(PASS|FAIL)" "$figures" || true
fi
exit $status
