#!/bin/sh
# Fixture setup for the end-to-end tests: a private Wine prefix inside the
# build folder (created once, reused by later runs), a fresh Xvfb on a free
# display and a persistent wineserver, so that each scenario pays only for
# starting its own programs.
set -eu

E2E_STATE_DIR=$1
export E2E_STATE_DIR
mkdir -p "$E2E_STATE_DIR"
. "$(dirname "$0")/wine_env.sh"
e2e_skip_unless_wine32_runs

for tool in "$WINELOADER" "$WINESERVER" Xvfb; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "wine_setup: $tool not found (install wine64 and xvfb)" >&2
        exit 1
    fi
done

# Leftovers of an earlier run that never reached its cleanup.
sh "$(dirname "$0")/wine_cleanup.sh" "$E2E_STATE_DIR" >/dev/null 2>&1 || true

pick_display() {
    n=91
    while [ $n -lt 200 ]; do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo $n
            return 0
        fi
        n=$((n + 1))
    done
    return 1
}

start_xvfb() {
    attempt=0
    while [ $attempt -lt 5 ]; do
        attempt=$((attempt + 1))
        n=$(pick_display) || { echo "wine_setup: no free X display" >&2; exit 1; }
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp \
            </dev/null >"$E2E_STATE_DIR/xvfb.log" 2>&1 &
        pid=$!
        waited=0
        while [ $waited -lt 50 ]; do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                echo ":$n" >"$E2E_DISPLAY_FILE"
                echo "$pid" >"$E2E_XVFB_PID_FILE"
                return 0
            fi
            if ! kill -0 "$pid" 2>/dev/null; then
                break   # lost a race for this display number; try the next
            fi
            sleep 0.1
            waited=$((waited + 1))
        done
        kill "$pid" 2>/dev/null || true
    done
    echo "wine_setup: Xvfb did not start, see $E2E_STATE_DIR/xvfb.log" >&2
    exit 1
}

start_xvfb
DISPLAY=$(cat "$E2E_DISPLAY_FILE")
export DISPLAY
echo "wine_setup: Xvfb $DISPLAY (pid $(cat "$E2E_XVFB_PID_FILE"))"

if e2e_prefix_lacks_wow64 "$WINEPREFIX"; then
    echo "wine_setup: the prefix was made before 32-bit Wine could run; making it anew"
    rm -rf "$WINEPREFIX" "$E2E_STATE_DIR/prefix.ready"
fi
mkdir -p "$WINEPREFIX"
if ! "$WINESERVER" -p </dev/null >"$E2E_STATE_DIR/wineserver.log" 2>&1; then
    echo "wine_setup: wineserver did not start, see wineserver.log" >&2
    exit 1
fi
echo "wine_setup: persistent wineserver for $WINEPREFIX"

# The registry reaches system.reg only when the server saves it, so our own
# marker says whether the prefix was made completely.
if [ ! -f "$E2E_STATE_DIR/prefix.ready" ]; then
    echo "wine_setup: creating the prefix (once per build folder)"
    "$WINELOADER" wineboot.exe -i </dev/null >"$E2E_STATE_DIR/wineboot.log" 2>&1
    if [ -d "$WINEPREFIX/drive_c/windows" ]; then
        date >"$E2E_STATE_DIR/prefix.ready"
    fi
fi
# Wine's own fonts, among them its MS Sans Serif bitmap font: the dialog's
# font, as narrow as on Windows.
"$(dirname "$0")/../../tools/wine_fonts.sh" "$WINEPREFIX"
# Applied on every run: the registry reaches its files only when the server
# saves it, so a setting made once could be lost with an interrupted run.
"$WINELOADER" reg.exe import "$(e2e_windows_path "$(cd "$(dirname "$0")" && pwd)/wine_settings.reg")" \
    </dev/null >>"$E2E_STATE_DIR/wineboot.log" 2>&1

# Boot the session now (services, devices), with its output in a log, so the
# scenarios neither pay for it nor inherit it.
"$WINELOADER" wineboot.exe </dev/null >>"$E2E_STATE_DIR/wineboot.log" 2>&1
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    echo "wine_setup: prefix at $WINEPREFIX is incomplete, see wineboot.log" >&2
    exit 1
fi
echo "wine_setup: prefix ready"
