#!/bin/sh
# Runs one end-to-end scenario with a small drive T: in the prefix: a
# size-limited tmpfs, mounted here and mapped as a drive, so that the
# scenario can fill a disk for real. The drive is unmapped and unmounted
# afterwards, whatever happened.
#   with_small_drive.sh STATE_DIR DRIVER_EXE SWARDEN_EXE STAND_IN_EXE SCENARIO
# Exits 77 (the test's SKIP_RETURN_CODE) where no tmpfs can be mounted, or
# where the build is 32-bit and 32-bit programs cannot run.
set -u

E2E_STATE_DIR=$1
export E2E_STATE_DIR
. "$(dirname "$0")/wine_env.sh"
e2e_skip_unless_wine32_runs

MOUNT_POINT="$E2E_STATE_DIR/small_drive"
DRIVE_LINK="$WINEPREFIX/dosdevices/t:"
SIZE=4m

unmount_small_drive() {
    rm -f "$DRIVE_LINK"
    if mountpoint -q "$MOUNT_POINT" 2>/dev/null; then
        # A game started from the drive may take a moment to go away.
        tries=0
        while ! umount "$MOUNT_POINT" 2>/dev/null; do
            tries=$((tries + 1))
            if [ $tries -ge 50 ]; then
                echo "with_small_drive: $MOUNT_POINT still busy; detaching it" >&2
                umount -l "$MOUNT_POINT" || true
                break
            fi
            sleep 0.1
        done
    fi
    rmdir "$MOUNT_POINT" 2>/dev/null || true
}

# Leftovers of a run that was killed before its cleanup.
unmount_small_drive
if [ -e "$DRIVE_LINK" ] || [ -L "$DRIVE_LINK" ]; then
    echo "with_small_drive: cannot remove the old drive link $DRIVE_LINK" >&2
    exit 1
fi

if ! mkdir -p "$MOUNT_POINT"; then
    echo "with_small_drive: cannot create $MOUNT_POINT" >&2
    exit 1
fi
if ! error=$(mount -t tmpfs -o "size=$SIZE,mode=0755" savewarden_small_drive "$MOUNT_POINT" 2>&1); then
    rmdir "$MOUNT_POINT" 2>/dev/null || true
    echo "SKIPPED: the disk-full scenario needs a size-limited tmpfs, and none can be"
    echo "mounted here (running as uid $(id -u); mount said: ${error:-nothing})"
    echo "Run the tests as root, or where mount -t tmpfs is allowed, to include it."
    exit 77
fi
trap unmount_small_drive EXIT
trap 'exit 130' INT TERM HUP
ln -s "$MOUNT_POINT" "$DRIVE_LINK"
echo "with_small_drive: $SIZE tmpfs at $MOUNT_POINT is drive T:"

E2E_SMALL_DRIVE=T:
export E2E_SMALL_DRIVE
status=0
sh "$(dirname "$0")/run_scenario.sh" "$@" || status=$?
exit $status
