#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks, and any further packages named on the command line.
# Safe to run again: present packages are left alone. A mirror caught in the
# middle of a sync does not stop it: an index that cannot be fetched is a
# warning, and a failed install is tried once more from the release's own
# suite. Without 32-bit Wine only the 32-bit end-to-end tests skip; any other
# package that cannot be installed is an error that names it.
set -euo pipefail

needed=(
    cmake make g++ libgtest-dev libgmock-dev    # host build and unit tests
    clang libclang-rt-14-dev                    # fuzz targets (libFuzzer, ASan)
    g++-mingw-w64-i686 g++-mingw-w64-x86-64     # the Windows builds
    wine64 xvfb xauth x11-utils fonts-wine      # running the program here
    python3 zip
    "$@"
)
wine32=wine32:i386                              # running the shipped 32-bit exe

# The packages named that are not installed, one a line.
lacking() {
    local p
    for p; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
            echo "$p"
    done
}
mapfile -t missing < <(lacking "${needed[@]}")
lacks32=$(lacking "$wine32")
[ ${#missing[@]} -eq 0 ] && [ -z "$lacks32" ] && exit 0

echo "Installing:" "${missing[@]}" ${lacks32:+"$lacks32"}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# apt-get, what it says shown and kept in $log.
apt_get() { $sudo apt-get -y -qq --no-install-recommends "$@" 2>&1 | tee "$log"; }
# Installs the packages named. Where that fails (on a half-synced mirror the
# security archive's amd64 updates may lack their i386 twins), tries once
# more with the installed release's own suite as the target.
install_packages() {
    apt_get install "$@" && return 0
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || return 1
    echo "Installing $* failed; trying once more from the release's own suite: apt-get install -t $codename"
    apt_get install -t "$codename" "$@"
}

# Debian's 32-bit Wine comes from the i386 architecture. Adding it may bring
# some amd64 libraries up to the versions their i386 twins need.
if [ -n "$lacks32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for 32-bit Wine (some amd64 libraries may be upgraded to match)"
    $sudo dpkg --add-architecture i386
fi
if ! apt_get update; then
    failed=$(grep -o 'Failed to fetch [^ ]*' "$log" | cut -d' ' -f4 | paste -sd' ') || true
    echo "Warning: apt-get update failed${failed:+ to fetch $failed}; going on with the package lists there are"
fi
# Everything in one go first: 32-bit Wine needs its i386 libraries at the
# very versions of their amd64 twins, so both must come from the same suite.
# Installed on their own, the amd64 ones may come from an archive whose
# i386 index is broken, and the twins could then not be had at all.
install_packages "${missing[@]}" ${lacks32:+"$lacks32"} && exit 0
mapfile -t missing < <(lacking "${needed[@]}")
if [ ${#missing[@]} -gt 0 ] && ! install_packages "${missing[@]}"; then
    mapfile -t missing < <(lacking "${missing[@]}")
    echo "Error: could not install ${missing[*]}, which are needed (apt-get said why above)" >&2
    exit 1
fi
[ -z "$(lacking "$wine32")" ] ||
    echo "32-bit Wine ($wine32) could not be installed ($(grep '^E: ' "$log" | tail -n 1 | cut -c4-)); the 32-bit end-to-end tests will be skipped"
