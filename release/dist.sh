#!/usr/bin/env bash
# Writes the release files, each named with the project version:
#     release/dist.sh DIST_TREE OUTPUT_DIRECTORY
# the sources of HEAD (git archive); for x86-64 and aarch64 Linux, the
# program (static and stripped, with its manual page, the README and the
# copyright notes) as an archive and as a Debian package; the Windows program
# (stripped pictoline.exe and a README for Windows users); then SHA256SUMS of
# them all. DIST_TREE holds a configured and built tree for each platform,
# named after it: linux-x86_64, linux-aarch64 and windows-x86_64.
set -euo pipefail
cd "$(dirname "$0")/.."

trees=$1
out=$2

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$trees/linux-x86_64/CMakeCache.txt")
if [ -z "$version" ]; then
    echo "dist.sh: no project version in $trees/linux-x86_64/CMakeCache.txt" >&2
    exit 2
fi
git diff --quiet HEAD -- || echo "dist.sh: uncommitted changes are not in the source archive" >&2

# Every file takes its times from the commit, so the same commit gives the
# same files. Stripping pictoline.exe stamps its header with the time now,
# unless SOURCE_DATE_EPOCH gives one.
epoch=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH=$epoch
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"
# The names of the files written, in $out.
written=()

pack_tar() { # directory name under $stage
    tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
        -C "$stage" -cf - "$1" | gzip -n > "$out/$1.tar.gz"
    written+=("$1.tar.gz")
}

pack_zip() { # directory name under $stage
    find "$stage/$1" -exec touch -d "@$epoch" {} +
    rm -f "$out/$1.zip"
    (cd "$stage" && TZ=UTC zip -q -X -r - "$1") > "$out/$1.zip"
    written+=("$1.zip")
}

# Debian's name for a processor.
debian_arch() {
    case $1 in
    x86_64) echo amd64 ;;
    aarch64) echo arm64 ;;
    esac
}

linux_release() { # processor
    local tree=$trees/linux-$1 name=pictoline-$version-linux-$1 arch package
    arch=$(debian_arch "$1")
    package=pictoline_${version}_$arch.deb
    cmake --install "$tree" --prefix "$stage/$1-install" --strip > /dev/null
    mkdir "$stage/$name"
    cp "$stage/$1-install/bin/pictoline" "$stage/$1-install/share/man/man1/pictoline.1" \
        README.md "$stage/$name/"
    cp release/copyright "$stage/$name/COPYRIGHT"
    pack_tar "$name"
    release/deb.sh "$tree" "$arch" "$out/$package"
    written+=("$package")
}

windows_release() {
    local name=pictoline-$version-windows-x86_64
    cmake --install "$trees/windows-x86_64" --prefix "$stage/windows-install" --strip > /dev/null
    mkdir "$stage/$name"
    cp "$stage/windows-install/bin/pictoline.exe" "$stage/$name/"
    sed -e "s/@PROJECT_VERSION@/$version/g" -e 's/$/\r/' release/README-windows.txt \
        > "$stage/$name/README.txt"
    pack_zip "$name"
}

# Each file written with its size and SHA-256; the checksums also go to
# SHA256SUMS, in the form `sha256sum -c` reads.
summarise() {
    (cd "$out" && sha256sum -- "${written[@]}") > "$out/SHA256SUMS"
    local sum name
    while read -r sum name; do
        printf '%-48s %9d bytes  %s\n' "$out/$name" "$(stat -c %s "$out/$name")" "$sum"
    done < "$out/SHA256SUMS"
    echo "$out/SHA256SUMS"
}

source_name=pictoline-$version
git archive --format=tar --prefix="$source_name/" HEAD | gzip -n > "$out/$source_name.tar.gz"
written+=("$source_name.tar.gz")
linux_release x86_64
linux_release aarch64
windows_release
summarise
