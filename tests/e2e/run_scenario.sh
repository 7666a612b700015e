#!/bin/sh
# Runs one end-to-end scenario inside the fixture's Wine prefix:
#   run_scenario.sh STATE_DIR DRIVER_EXE SWARDEN_EXE STAND_IN_EXE SCENARIO
set -eu

E2E_STATE_DIR=$1
export E2E_STATE_DIR
driver=$2
swarden=$3
stand_in=$4
scenario=$5
. "$(dirname "$0")/wine_env.sh"
e2e_skip_unless_wine32_runs

if [ ! -f "$E2E_DISPLAY_FILE" ]; then
    echo "run_scenario: no X display recorded; the e2e_setup test has not run" >&2
    exit 1
fi
for file in "$driver" "$swarden" "$stand_in"; do
    if [ ! -f "$file" ]; then
        echo "run_scenario: $file does not exist" >&2
        exit 1
    fi
done

E2E_SWARDEN_EXE=$(e2e_windows_path "$swarden")
E2E_STAND_IN_EXE=$(e2e_windows_path "$stand_in")
export E2E_SWARDEN_EXE E2E_STAND_IN_EXE
# The first Wine program of a session starts Wine's own background services,
# which keep the standard output they inherit open long after the scenario
# ends; CTest would wait for them. So the driver writes to a file.
output="$E2E_STATE_DIR/$scenario.out"
status=0
"$WINELOADER" "$driver" "$scenario" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
exit $status
