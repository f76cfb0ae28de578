#!/usr/bin/env bash
# Checks the release files that make dist wrote, as SHA256SUMS lists them:
# each matches its checksum; each Linux program, in its archive and in its
# Debian package, is static (no program interpreter) and built for its
# processor; lintian finds no error in either package.
#     release/check_files.sh dist
set -uo pipefail
dist=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The names in SHA256SUMS that match the extended regular expression $1.
listed() { sed 's/^[0-9a-f]*  //' "$dist/SHA256SUMS" | grep -E "$1"; }

# The program $1 is static and readelf names its machine $2.
check_binary() {
    readelf -l "$1" | grep -q INTERP && fail "$1 asks for a program interpreter: not static"
    readelf -h "$1" | grep -q "Machine: *$2\$" || fail "$1 is not built for $2"
}

check_archive() { # archive name, machine
    tar -xzf "$dist/$1" -C "$stage"
    check_binary "$stage/${1%.tar.gz}/pictoline" "$2"
}

check_package() { # package name, machine
    dpkg-deb -x "$dist/$1" "$stage/${1%.deb}"
    check_binary "$stage/${1%.deb}/usr/bin/pictoline" "$2"
    lintian --fail-on error "$dist/$1" || fail "lintian finds an error in $1"
}

(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "a file does not match SHA256SUMS"
check_archive "$(listed 'linux-x86_64\.tar\.gz$')" "Advanced Micro Devices X86-64"
check_archive "$(listed 'linux-aarch64\.tar\.gz$')" AArch64
check_package "$(listed '_amd64\.deb$')" "Advanced Micro Devices X86-64"
check_package "$(listed '_arm64\.deb$')" AArch64
[ "$failures" -eq 0 ] || exit 1
echo "release files: as SHA256SUMS lists them, static, no lintian error"
