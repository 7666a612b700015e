#!/usr/bin/env bash
# Takes the picture of the help viewer in docs/help.png: the end-to-end
# scenario help_file, run under Wine's virtual desktop (so that Wine draws
# the window's frame and caption), photographs the viewer on our contents
# topic. Needs the win64 build (tools/run.sh or tools/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

driver=$root/build/win64/tests/e2e/e2e_driver.exe
exe=$root/build/win64/swarden.exe
stand_in=$root/build/win64/tests/e2e/stand_in_game/angband.exe
for f in "$driver" "$exe" "$root/build/win64/swarden.hlp" "$stand_in"; do
    [ -f "$f" ] || { echo "help_screenshot: $f is missing; build the win64 preset first" >&2; exit 1; }
done

export E2E_STATE_DIR=$root/build/run
e2e=$root/tests/e2e
sh "$e2e/wine_setup.sh" "$E2E_STATE_DIR" >/dev/null
trap 'sh "$e2e/wine_cleanup.sh" "$E2E_STATE_DIR" >/dev/null' EXIT
. "$e2e/wine_env.sh"
tools/wine_fonts.sh "$WINEPREFIX"

shots=$root/build/help-shot
rm -rf "$shots"
mkdir -p "$shots"
export E2E_SWARDEN_EXE E2E_STAND_IN_EXE E2E_SHOT_DIR
E2E_SWARDEN_EXE=$(e2e_windows_path "$exe")
E2E_STAND_IN_EXE=$(e2e_windows_path "$stand_in")
E2E_SHOT_DIR=$(e2e_windows_path "$shots")

"$WINELOADER" explorer.exe /desktop=SavewardenHelp,640x480 \
    "$(e2e_windows_path "$driver")" help_file > "$shots/help_file.out" 2>&1 || true
tr -d '\r' < "$shots/help_file.out" | grep -v '^[0-9a-f]*:fixme' || true
grep -q '^PASS help_file' "$shots/help_file.out" || { echo "help_screenshot: FAILED" >&2; exit 1; }
python3 tools/bmp_to_png.py "$shots/help-viewer.bmp" docs/help.png
echo "Updated docs/help.png"
