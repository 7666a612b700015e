#!/usr/bin/env bash
# Debian's Wine does not find the fonts in its own data folder, so the
# caption buttons come out as the letters 0, 1 and r. Copying Wine's fonts
# into the prefix mends that; nothing else in the prefix changes.
#   wine_fonts.sh <prefix>
set -euo pipefail
fonts="$1/drive_c/windows/Fonts"
[ -d "$fonts" ] || exit 0
for f in /usr/share/wine/fonts/*.ttf; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
done
exit 0
