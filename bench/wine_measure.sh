#!/usr/bin/env bash
# Measures swarden.exe under Wine: the time from process start to the dialog
# shown, from Go to the countdown with a game that polls for input, and the
# CPU time it uses over four stretches: the idle dialog and the countdown,
# each with the focus in a field (a blinking caret) and on the Go button. Called by tools/bench.sh; prints "key value" lines.
#
#   wine_measure.sh STATE_DIR SWARDEN_EXE SWBENCH_EXE BENCH_GAME_EXE
#
# Environment: BENCH_WINE_SECONDS (60) the length of each CPU stretch,
# BENCH_STARTUP_RUNS (10) the number of timed starts after a first one.
#
# Everything lives in STATE_DIR: a private Wine prefix (made once, about
# 10 s), the Xvfb display's log. The user's ~/.wine and $DISPLAY are not
# touched. Only the Xvfb and Wine processes started here are ended, the
# Xvfb by its process id and Wine by its server for this prefix.
set -euo pipefail

state=$1 swarden=$2 swbench=$3 game=$4
seconds=${BENCH_WINE_SECONDS:-60}
runs=${BENCH_STARTUP_RUNS:-10}

mkdir -p "$state"
state=$(cd "$state" && pwd)
export WINEPREFIX="$state/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
export WINELOADER=$wine WINESERVER=$wineserver

xvfb_pid=""
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# ---- a display of our own -------------------------------------------------
for n in $(seq 140 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null \
        >"$state/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        export DISPLAY=":$n"
        break
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "wine_measure: no free X display" >&2; exit 1; }

# ---- the prefix, the program and its settings ------------------------------
mkdir -p "$WINEPREFIX"
"$wineserver" -p
if [ ! -f "$state/prefix.ready" ]; then
    "$wine" wineboot.exe -i </dev/null >"$state/wineboot.log" 2>&1
    [ -d "$WINEPREFIX/drive_c/windows" ] || {
        echo "wine_measure: wineboot failed, see $state/wineboot.log" >&2
        exit 1
    }
    touch "$state/prefix.ready"
fi

c="$WINEPREFIX/drive_c"
mkdir -p "$c/bench" "$c/benchgame/save"
cp "$swarden" "$c/bench/swarden.exe"
cp "$swbench" "$c/bench/swbench.exe"
cp "$game" "$c/benchgame/angband.exe"
head -c 102400 /dev/urandom >"$c/benchgame/save/bench"
rm -f "$c/benchgame/save/bench.sav"

# A five-minute interval: the 60 s stretch is countdown only.
printf '%s\r\n' '[Options]' 'WindowTitle=Bench Game' \
    'Directory=C:\benchgame' 'LastCharacter=bench' \
    'TimerIntervalMinutes=05' 'TimerIntervalSeconds=00' \
    'SavePath=\save' 'FileSaveMessageNumber=110' \
    >"$c/windows/swarden.ini"

swbench() { "$wine" 'C:\bench\swbench.exe' "$@" </dev/null | tr -d '\r'; }

# ---- start-up time ----------------------------------------------------------
# One start first: it brings the program's pages into the cache and is
# reported on its own.
swbench startup 'C:\bench\swarden.exe' $((runs + 1)) >"$state/startup.txt"
awk '$1 == "run" && $2 == 1 {
         print "startup_first_visible_ms", $4
         print "startup_first_idle_ms", $6 }' "$state/startup.txt"
# Median, smallest and largest of a column of numbers.
stats() {  # name
    sort -n | awk -v name="$1" '{ v[NR] = $1 } END {
        print name "_median", v[int((NR + 1) / 2)]
        print name "_min", v[1]
        print name "_max", v[NR] }'
}
echo "startup_runs $(awk '$1 == "run" && $2 > 1' "$state/startup.txt" | wc -l)"
awk '$1 == "run" && $2 > 1 { print $4 }' "$state/startup.txt" |
    stats startup_visible_ms
awk '$1 == "run" && $2 > 1 { print $6 }' "$state/startup.txt" |
    stats startup_idle_ms

# What any process start costs here: a program that ends at once.
swbench bare 'C:\benchgame\angband.exe' $((runs + 1)) >"$state/bare.txt"
awk '$1 == "run" && $2 > 1 { print $4 }' "$state/bare.txt" |
    stats bare_process_ms

# ---- CPU time: idle dialog, then countdown ----------------------------------
# utime + stime of all of a process's threads (clock ticks), and the same
# more finely from the scheduler (nanoseconds, summed over live threads).
clk=$(getconf CLK_TCK)
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null |
           awk '{ s += $1 } END { printf "%d\n", s }'; }
in_prefix() {
    { tr '\0' '\n' <"/proc/$1/environ"; } 2>/dev/null |
        grep -qx "WINEPREFIX=$WINEPREFIX"
}
find_process() {  # comm name -> pid of that process of our prefix
    for d in /proc/[0-9]*; do
        p=${d#/proc/}
        [ "$(cat "$d/comm" 2>/dev/null)" = "$1" ] && in_prefix "$p" &&
            { echo "$p"; return 0; }
    done
    return 1
}

"$wine" 'C:\bench\swarden.exe' </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do
    swbench caption >/dev/null 2>&1 && break
    sleep 0.1
done
app=$(find_process swarden.exe) || { echo "wine_measure: swarden.exe not found" >&2; exit 1; }
server=$(find_process wineserver64 || find_process wineserver) ||
    { echo "wine_measure: wineserver not found" >&2; exit 1; }
echo "clock_ticks_per_s $clk"
echo "app_pid $app"
echo "server_pid $server"
echo "cpu_seconds $seconds"

# The captions are read before and after, not during: reading one makes the
# program answer a message.
measure() {  # label
    local t0 n0 s0 t1 n1 s1
    echo "${1}_caption_start $(swbench caption | tr ' ' '_')"
    t0=$(cpu_ticks "$app"); n0=$(cpu_ns "$app"); s0=$(cpu_ns "$server")
    sleep "$seconds"
    t1=$(cpu_ticks "$app"); n1=$(cpu_ns "$app"); s1=$(cpu_ns "$server")
    echo "${1}_caption_end $(swbench caption | tr ' ' '_')"
    echo "${1}_app_ticks $((t1 - t0))"
    echo "${1}_app_us $(( (n1 - n0) / 1000 ))"
    echo "${1}_server_us $(( (s1 - s0) / 1000 ))"
}

# As started, the focus is in the first field and its caret blinks. A click
# on Go takes the focus (and the caret) away; pressing Enter in a field
# leaves it there. Each state is measured with and without the caret.
measure idle
swbench focus 1005
measure idle_no_caret
# Go starts the bench game, which polls for input as the real game does.
swbench go >"$state/go.txt" || { cat "$state/go.txt" >&2; exit 1; }
grep '^go_to_countdown_ms ' "$state/go.txt"
measure countdown_no_caret
swbench focus 1000
measure countdown
[ -f "$c/benchgame/save/bench.sav" ] && cmp -s "$c/benchgame/save/bench" \
    "$c/benchgame/save/bench.sav" && echo "go_copied_save yes"
swbench exit >/dev/null
