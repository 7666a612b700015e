# Sourced by the end-to-end scripts (through wine_env.sh) and by tools/run.sh:
# whether this machine runs 32-bit Windows programs, and what that means for
# a Wine prefix. The PE32 programs themselves are started through the wine64
# loader, which hands them to this 32-bit loader in a WoW64 prefix.

E2E_WINE32_LOADER=${E2E_WINE32:-/usr/lib/wine/wine}

# True where 32-bit Wine is installed and the kernel runs 32-bit programs.
e2e_wine32_runs() {
    "$E2E_WINE32_LOADER" --version >/dev/null 2>&1
}

# True for a prefix made while 32-bit Wine could not run: it has no 32-bit
# system folder, and even wineboot -u does not give it one, so it cannot
# start PE32 programs although this machine now could. Make it anew.
e2e_prefix_lacks_wow64() {
    [ -d "$1/drive_c/windows" ] &&
        [ ! -f "$1/drive_c/windows/syswow64/kernel32.dll" ] &&
        e2e_wine32_runs
}

# For the tests of a 32-bit build (E2E_POINTER_SIZE=4, set by CMake): where
# 32-bit programs cannot run, says why in one line and exits 77, the tests'
# SKIP_RETURN_CODE.
e2e_skip_unless_wine32_runs() {
    [ "${E2E_POINTER_SIZE:-8}" = 4 ] || return 0
    e2e_status=0
    e2e_said=$("$E2E_WINE32_LOADER" --version 2>&1) || e2e_status=$?
    [ $e2e_status -eq 0 ] && return 0
    [ -e "$E2E_WINE32_LOADER" ] || { echo "SKIPPED: no 32-bit Wine ($E2E_WINE32_LOADER): wine32:i386 could not be installed, tools/setup.sh says why"; exit 77; }
    e2e_said=$(printf '%s' "$e2e_said" | tail -n 1)
    echo "SKIPPED: 32-bit programs cannot run here ($E2E_WINE32_LOADER --version: exit $e2e_status, ${e2e_said##*: }); needs wine32:i386 and a kernel that runs 32-bit programs"
    exit 77
}
