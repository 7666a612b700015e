#!/usr/bin/env bash
# Checks the shipped 32-bit program: its size, that Windows 95 and NT 4.0
# will load it (a GUI program for subsystem and system version 4.0 at most),
# and that it imports nothing but the functions listed as present on both,
# from KERNEL32 and USER32 alone. Past the limit the check fails; past the
# smaller goal it only says so.
#   check_footprint.sh <exe> <objdump> <allowed-imports> <max-bytes> <goal-bytes>
set -euo pipefail
exe=$1 objdump=$2 allowed=$3 max_bytes=$4 goal_bytes=$5

size=$(stat -c %s "$exe")
echo "size: $size bytes (limit $max_bytes)"
status=0
if [ "$size" -gt "$max_bytes" ]; then
    echo "FAIL: $exe has grown past $max_bytes bytes"
    status=1
fi
if [ "$size" -gt "$goal_bytes" ]; then
    echo "goal: at most $goal_bytes bytes, not met"
else
    echo "goal: at most $goal_bytes bytes, met"
fi

headers=$("$objdump" -p "$exe")
# awk reads to the end: leaving early could end printf with SIGPIPE, which
# pipefail would turn into a failure of the whole check.
field() { printf '%s\n' "$headers" | awk -v name="$1" '$1 == name && !done { print $2; done = 1 }'; }
if [ "$(field Subsystem)" != "00000002" ]; then
    echo "FAIL: not a GUI program (subsystem $(field Subsystem))"
    status=1
fi
for part in OSystem Subsystem; do
    version="$(field Major${part}Version).$(field Minor${part}Version)"
    echo "${part} version: $version"
    if [ "$(field Major${part}Version)" != "4" ] || [ "$(field Minor${part}Version)" != "0" ]; then
        echo "FAIL: ${part} version $version; Windows 95 and NT 4.0 load 4.0"
        status=1
    fi
done

imports=$(printf '%s\n' "$headers" | awk '
    /DLL Name:/ { dll = toupper($3) }
    /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll "!" $3 }' | sort -u)
count=$(printf '%s\n' "$imports" | grep -c . || true)
echo "imports: $count functions from $(printf '%s\n' "$imports" | cut -d! -f1 | sort -u | tr '\n' ' ')"
if [ "$count" -eq 0 ]; then
    echo "FAIL: no imports found; objdump output not understood"
    status=1
fi

unexpected=$(comm -23 <(printf '%s\n' "$imports") <(grep -v '^#' "$allowed" | grep . | sort -u))
if [ -n "$unexpected" ]; then
    echo "FAIL: imports not known to exist on Windows 95 and NT 4.0 (or from another DLL):"
    printf '  %s\n' $unexpected
    status=1
fi
exit $status
