# Sourced by the end-to-end scripts. Given E2E_STATE_DIR (a folder inside the
# build tree), points Wine at the private prefix kept there and at the X
# display that the setup recorded. Nothing here touches the user's own
# ~/.wine or $DISPLAY.

: "${E2E_STATE_DIR:?E2E_STATE_DIR must name the end-to-end state folder}"

# Every program, 64-bit or 32-bit, is started through the wine64 loader; in
# the prefix (WoW64) it starts PE32 programs with the 32-bit loader itself.
# Called directly, so that the /usr/bin/wine wrapper takes no part.
WINE_LOADER_BIN=${E2E_WINE:-/usr/lib/wine/wine64}
WINESERVER_BIN=${E2E_WINESERVER:-}
if [ -z "$WINESERVER_BIN" ]; then
    for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver \
                     "$(command -v wineserver 2>/dev/null)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            WINESERVER_BIN=$candidate
            break
        fi
    done
fi

export WINEPREFIX="$E2E_STATE_DIR/prefix"
export WINELOADER="$WINE_LOADER_BIN"
export WINESERVER="$WINESERVER_BIN"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer prompts while the prefix is created, and no
# desktop menu entries written for the programs the tests start.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# This folder: the script's own, unless the caller (tools/demo.sh) names it.
. "${E2E_SCRIPTS_DIR:-$(dirname "$0")}/wine32.sh"

E2E_DISPLAY_FILE="$E2E_STATE_DIR/display"
E2E_XVFB_PID_FILE="$E2E_STATE_DIR/xvfb.pid"
if [ -f "$E2E_DISPLAY_FILE" ]; then
    DISPLAY=$(cat "$E2E_DISPLAY_FILE")
    export DISPLAY
fi

# Turns a Linux path into the path Wine's programs see: drive Z: maps "/".
e2e_windows_path() {
    printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}
