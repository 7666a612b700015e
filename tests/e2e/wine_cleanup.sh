#!/bin/sh
# Fixture cleanup: ends every Wine process of the private prefix, then the
# Xvfb that the setup started (by its recorded process id only).
set -u

E2E_STATE_DIR=$1
export E2E_STATE_DIR
. "$(dirname "$0")/wine_env.sh"
e2e_skip_unless_wine32_runs

if [ -n "$WINESERVER" ] && [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
fi

# The small drive of the disk-full scenario, if its run was killed before
# it could take the drive away itself (with_small_drive.sh).
small_drive="$E2E_STATE_DIR/small_drive"
if [ -L "$WINEPREFIX/dosdevices/t:" ] &&
   [ "$(readlink "$WINEPREFIX/dosdevices/t:")" = "$small_drive" ]; then
    rm -f "$WINEPREFIX/dosdevices/t:"
fi
if mountpoint -q "$small_drive" 2>/dev/null; then
    umount "$small_drive" 2>/dev/null || umount -l "$small_drive" 2>/dev/null || true
fi
rmdir "$small_drive" 2>/dev/null || true

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
