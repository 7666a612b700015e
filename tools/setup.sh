#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks, and any further packages named on the command line.
# Safe to run again: present packages are left alone.
set -euo pipefail

packages=(
    cmake make g++ libgtest-dev libgmock-dev    # host build and unit tests
    clang libclang-rt-14-dev                    # fuzz targets (libFuzzer, ASan)
    g++-mingw-w64-i686 g++-mingw-w64-x86-64     # the Windows builds
    wine64 xvfb xauth x11-utils                 # running the program here
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
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
