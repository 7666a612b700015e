#!/usr/bin/env bash
# Debian's Wine does not find the fonts in its own data folder (fonts-wine),
# so the caption buttons come out as the letters 0, 1 and r, and the dialog's
# "MS Sans Serif" is drawn in a wider font than on Windows, which cuts its
# labels. Copying Wine's fonts into the prefix mends both: among the bitmap
# fonts is Wine's MS Sans Serif (sserife.fon), with Windows' own widths.
# Nothing else in the prefix changes.
#   wine_fonts.sh <prefix>
set -euo pipefail
fonts="$1/drive_c/windows/Fonts"
[ -d "$fonts" ] || exit 0
for f in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
done
exit 0
