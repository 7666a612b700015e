#!/usr/bin/env bash
# The unattended demonstration, for machines with no display: in Xvfb, under
# Wine's virtual desktop, Savewarden is started with the default settings and
# an interval of five seconds, Go is pressed, one due tick makes the stand-in
# game save, and the backup is refreshed. Screenshots go to build/demo/.
#   demo.sh [--screenshot]   (--screenshot: also update docs/screenshot.png)
#   demo.sh --help-screenshot
#       instead, the end-to-end Help scenarios take the pictures of Help:
#       help_file Wine's help viewer on our contents topic (Windows XP), for
#       docs/help.png, and help our own help window beside the main dialog
#       (Windows 7, Wine's default), for docs/help-window.png
#       (needs build/win64/swarden.hlp, which the win64 build makes)
#   demo.sh --game-folder-screenshot
#       instead, the end-to-end scenario of a first start in a game's folder
#       takes the picture of the dialog filled in from there, beside the
#       stand-in game, for docs/game-folder.png
#   demo.sh --backups-screenshot
#       instead, the end-to-end Backups scenario takes the picture of the
#       Backups window beside the main dialog, for docs/backups-window.png
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

driver=$root/build/win64/tests/e2e/e2e_driver.exe
exe=$root/build/win64/swarden.exe
stand_in=$root/build/win64/tests/e2e/stand_in_game/angband.exe
for f in "$driver" "$exe" "$stand_in"; do
    [ -f "$f" ] || { echo "demo: $f is missing; run tools/run.sh first" >&2; exit 1; }
done

export E2E_STATE_DIR=$root/build/run
e2e=$root/tests/e2e
export E2E_SCRIPTS_DIR=$e2e
sh "$e2e/wine_setup.sh" "$E2E_STATE_DIR" >/dev/null
trap 'sh "$e2e/wine_cleanup.sh" "$E2E_STATE_DIR" >/dev/null' EXIT
. "$e2e/wine_env.sh"

# The player's side: the game and a save file at the default paths.
game=$WINEPREFIX/drive_c/angband
mkdir -p "$game/lib/save"
cp "$stand_in" "$game/angband.exe"
[ -f "$game/lib/save/save" ] || printf 'A sample character, level 1\n' > "$game/lib/save/save"

shots=$root/build/demo
rm -rf "$shots"
mkdir -p "$shots"
export E2E_SWARDEN_EXE E2E_STAND_IN_EXE E2E_SHOT_DIR
E2E_SWARDEN_EXE=$(e2e_windows_path "$exe")
E2E_STAND_IN_EXE=$(e2e_windows_path "$stand_in")
E2E_SHOT_DIR=$(e2e_windows_path "$shots")

# Runs the driver's scenario $1 on a virtual desktop of size $2. Under it
# Wine draws the window frames and captions itself, so the countdown in the
# caption shows on the screenshots.
run_on_desktop() {
    "$WINELOADER" explorer.exe /desktop=Savewarden,"$2" \
        "$(e2e_windows_path "$driver")" "$1" > "$shots/$1.out" 2>&1 || true
    # explorer does not pass the driver's exit code on; its last line does.
    tr -d '\r' < "$shots/$1.out" | grep -v '^[0-9a-f]*:fixme' || true
    grep -q "^PASS $1" "$shots/$1.out" || { echo "demo: $1 FAILED" >&2; exit 1; }
    for bmp in "$shots"/*.bmp; do
        python3 tools/bmp_to_png.py "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
    done
}

if [ "${1:-}" = "--help-screenshot" ]; then
    run_on_desktop help_file 640x480
    cp "$shots/help-viewer.png" docs/help.png
    run_on_desktop help 880x480
    cp "$shots/help-window.png" docs/help-window.png
    echo "Updated docs/help.png and docs/help-window.png"
    exit 0
fi

if [ "${1:-}" = "--game-folder-screenshot" ]; then
    run_on_desktop first_start_in_game_folder 760x300
    cp "$shots/game-folder.png" docs/game-folder.png
    echo "Updated docs/game-folder.png"
    exit 0
fi

if [ "${1:-}" = "--backups-screenshot" ]; then
    run_on_desktop backups_window 1000x400
    cp "$shots/backups-window.png" docs/backups-window.png
    echo "Updated docs/backups-window.png"
    exit 0
fi

run_on_desktop demo 640x360
echo "Screenshots: $(ls "$shots"/*.png | tr '\n' ' ')"
if [ "${1:-}" = "--screenshot" ]; then
    cp "$shots/2-countdown.png" docs/screenshot.png
    echo "Updated docs/screenshot.png"
fi
