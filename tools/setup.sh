#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks, and any further packages named on the command line.
# Safe to run again: present packages are left alone.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libgmock-dev    # host build and unit tests
    clang libclang-rt-14-dev                    # fuzz targets (libFuzzer, ASan)
    g++-mingw-w64-i686 g++-mingw-w64-x86-64     # the Windows builds
    wine64 xvfb xauth x11-utils fonts-wine      # running the program here
    wine32:i386                                 # running the shipped 32-bit exe
    python3 zip
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Debian's 32-bit Wine comes from the i386 architecture. Adding it may bring
# some amd64 libraries up to the versions their i386 twins need.
if [[ " ${missing[*]} " == *":i386 "* ]] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for 32-bit Wine (some amd64 libraries may be upgraded to match)"
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
