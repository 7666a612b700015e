#!/bin/sh
# Fixture cleanup: ends every Wine process of the private prefix, then the
# Xvfb that the setup started (by its recorded process id only).
set -u

E2E_STATE_DIR=$1
export E2E_STATE_DIR
. "$(dirname "$0")/wine_env.sh"

if [ -n "$WINESERVER" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
fi

if [ -f "$E2E_XVFB_PID_FILE" ]; then
    pid=$(cat "$E2E_XVFB_PID_FILE")
    # Only the Xvfb we recorded, and only while that id still is an Xvfb.
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "Xvfb" ]; then
        kill "$pid" 2>/dev/null || true
        waited=0
        while kill -0 "$pid" 2>/dev/null && [ $waited -lt 30 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
    fi
    rm -f "$E2E_XVFB_PID_FILE" "$E2E_DISPLAY_FILE"
fi
echo "wine_cleanup: done"
exit 0
