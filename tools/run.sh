#!/usr/bin/env bash
# Builds Savewarden and starts it under Wine.
#
# Without WINEPREFIX it uses a prefix of its own, build/run/prefix, in which
# a stand-in game and a sample save file sit at the default paths
# (c:\angband\angband.exe, c:\angband\lib\save\save), so that Go works with
# the default settings at once. With WINEPREFIX set it runs in that prefix
# and changes nothing else there. With no display it runs a short unattended
# demonstration in Xvfb instead and saves screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/setup.sh
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done
exe=$root/build/win64/swarden.exe
stand_in=$root/build/win64/tests/e2e/stand_in_game/angband.exe
echo "Built the program: build/win32/swarden.exe (shipped), build/win64/swarden.exe (run here)"

if [ -z "${DISPLAY:-}" ] || [ "${1:-}" = "--demo" ]; then
    [ -n "${WINEPREFIX:-}" ] &&
        echo "No display: the demonstration runs in the project's own prefix, not in $WINEPREFIX"
    unset WINEPREFIX
    exec tools/demo.sh
fi

export WINEDEBUG=-all
wine=/usr/lib/wine/wine64

if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX=$root/build/run/prefix
    . tests/e2e/wine32.sh
    if e2e_prefix_lacks_wow64 "$WINEPREFIX"; then
        echo "The prefix $WINEPREFIX was made before 32-bit Wine could run; making it anew"
        /usr/lib/wine/wineserver64 -k 2>/dev/null || true
        rm -rf "$WINEPREFIX" "$root/build/run/prefix.ready"
    fi
    if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
        echo "Creating the Wine prefix $WINEPREFIX (once)"
        mkdir -p "$WINEPREFIX"
        "$wine" wineboot.exe -i >/dev/null 2>&1
        /usr/lib/wine/wineserver64 -w 2>/dev/null || true
    fi
    tools/wine_fonts.sh "$WINEPREFIX"
    game=$WINEPREFIX/drive_c/angband
    mkdir -p "$game/lib/save"
    cp "$stand_in" "$game/angband.exe"
    [ -f "$game/lib/save/save" ] ||
        printf 'A sample character, level 1\n' > "$game/lib/save/save"
fi

echo "Starting Savewarden in $WINEPREFIX"
# From its own folder, where its help file is, so that Help finds it.
cd "$(dirname "$exe")"
exec "$wine" "$exe"
