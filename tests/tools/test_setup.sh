#!/usr/bin/env bash
# tools/setup.sh goes on when apt-get update fails, as on a mirror in the middle
# of a sync. Stand-ins for apt-get, sudo and dpkg change nothing on this machine.
set -u
bin=$(mktemp -d) && trap 'rm -rf "$bin"' EXIT
cat >"$bin/apt-get" <<'END'
#!/bin/sh
case " $* " in *" update "*)
    echo "E: Failed to fetch http://deb.example/dists/stable/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
    exit 100;; esac
END
printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo"
printf '#!/bin/sh\n' >"$bin/dpkg"
chmod +x "$bin"/*
out=$(PATH=$bin:$PATH "$(dirname "$0")/../../tools/setup.sh" savewarden-not-a-package 2>&1)
status=$?
echo "$out"
[ $status -eq 0 ] && grep -q "apt-get update failed to fetch .*binary-i386/Packages.xz" <<<"$out"
