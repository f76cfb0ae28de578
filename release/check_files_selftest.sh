#!/usr/bin/env bash
# Checks release/check_files.sh against small release files made up for it:
# good ones pass; a dynamic program, a wrong checksum, a program for another
# processor and a lintian error each fail. A stand-in lintian says what the
# case needs, since the made-up packages hold no real program.
#     release/check_files_selftest.sh
set -uo pipefail
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit "${LINTIAN_STATUS:-0}"\n' > "$work/bin/lintian"
chmod +x "$work/bin/lintian"
export PATH="$work/bin:$PATH"

# Writes an ELF header for machine number $2 (62 x86-64, 183 AArch64) to $1,
# with a program interpreter when $3 is set.
elf() {
    python3 - "$@" <<'PYTHON'
import struct, sys
path, machine, interp = sys.argv[1], int(sys.argv[2]), len(sys.argv) > 3
header = b"\x7fELF\x02\x01\x01" + bytes(9) + struct.pack(
    "<HHIQQQIHHHHHH", 2, machine, 1, 0, 64 if interp else 0, 0, 0, 64, 56, int(interp), 64, 0, 0)
name = b"/lib/ld.so\0"
program = struct.pack("<IIQQQQQQ", 3, 4, 120, 0, 0, len(name), len(name), 1) + name
open(path, "wb").write(header + (program if interp else b""))
PYTHON
}
elf "$work/x86-64" 62
elf "$work/aarch64" 183
elf "$work/dynamic" 62 interp

# Packs program $3 for processor $1 (Debian's $2) as an archive and a package.
pack() {
    local name=pictoline-1.0.0-linux-$1 root=$work/stage/$2
    mkdir -p "$work/stage/$name" "$root/DEBIAN" "$root/usr/bin"
    cp "$3" "$work/stage/$name/pictoline"
    cp "$3" "$root/usr/bin/pictoline"
    tar -czf "$work/dist/$name.tar.gz" -C "$work/stage" "$name"
    printf 'Package: pictoline\nVersion: 1.0.0\nArchitecture: %s\nMaintainer: M <m@example.org>\nDescription: d\n' \
        "$2" > "$root/DEBIAN/control"
    dpkg-deb --root-owner-group --build "$root" "$work/dist/pictoline_1.0.0_$2.deb" > /dev/null
}

# Makes the release files with x86-64 program $1, then checks them: $2 is 0
# when they should pass, 1 when they should fail, $3 names the case. A command
# after them alters the files first.
expect() {
    local program=$1 wanted=$2 what=$3 got
    shift 3
    rm -rf "$work/dist" "$work/stage" && mkdir -p "$work/dist"
    pack x86_64 amd64 "$program"
    pack aarch64 arm64 "$work/aarch64"
    sums=$(cd "$work/dist" && sha256sum -- *) && echo "$sums" > "$work/dist/SHA256SUMS"
    [ "$#" -eq 0 ] || "$@"
    "$here/check_files.sh" "$work/dist" > "$work/out" 2>&1
    got=$?
    [ "$got" -eq 0 ] || got=1
    [ "$got" = "$wanted" ] && return
    echo "FAIL: $what"
    cat "$work/out"
    failures=$((failures + 1))
}

wrong_sum() { sed -i "1s/^[0-9a-f]*/$(echo other | sha256sum | cut -c1-64)/" "$work/dist/SHA256SUMS"; }

expect "$work/x86-64" 0 "good release files pass"
expect "$work/dynamic" 1 "a dynamic program fails"
expect "$work/x86-64" 1 "a wrong checksum fails" wrong_sum
expect "$work/aarch64" 1 "a program for another processor fails"
LINTIAN_STATUS=2 expect "$work/x86-64" 1 "a lintian error fails"
[ "$failures" -eq 0 ] || exit 1
echo "check_files.sh: good release files pass, four faulty ones fail"
