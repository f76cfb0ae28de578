#!/usr/bin/env bash
# Writes the release archives, each named with the project version:
#     release/dist.sh LINUX_TREE WINDOWS_TREE OUTPUT_DIRECTORY
# the sources of HEAD (git archive), the Linux program (stripped binary,
# manual page, README) and the Windows program (stripped pictoline.exe and a
# README for Windows users). Both trees must be configured and built.
set -euo pipefail
cd "$(dirname "$0")/.."

linux_tree=$1
windows_tree=$2
out=$3

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_tree/CMakeCache.txt")
if [ -z "$version" ]; then
    echo "dist.sh: no project version in $linux_tree/CMakeCache.txt" >&2
    exit 2
fi
git diff --quiet HEAD -- || echo "dist.sh: uncommitted changes are not in the source archive" >&2

# Every archive takes its times from the commit, so the same commit gives the
# same archives.
epoch=$(git log -1 --format=%ct HEAD)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"

pack_tar() { # directory name under $stage
    tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$epoch" \
        -C "$stage" -cf - "$1" | gzip -n > "$out/$1.tar.gz"
    echo "$out/$1.tar.gz"
}

pack_zip() { # directory name under $stage
    find "$stage/$1" -exec touch -d "@$epoch" {} +
    rm -f "$out/$1.zip"
    (cd "$stage" && TZ=UTC zip -q -X -r - "$1") > "$out/$1.zip"
    echo "$out/$1.zip"
}

source_name=pictoline-$version
git archive --format=tar --prefix="$source_name/" HEAD | gzip -n > "$out/$source_name.tar.gz"
echo "$out/$source_name.tar.gz"

linux_name=pictoline-$version-linux-$(uname -m)
cmake --install "$linux_tree" --prefix "$stage/linux-install" --strip > /dev/null
mkdir "$stage/$linux_name"
cp "$stage/linux-install/bin/pictoline" "$stage/linux-install/share/man/man1/pictoline.1" \
    README.md "$stage/$linux_name/"
pack_tar "$linux_name"

windows_name=pictoline-$version-windows-x86_64
cmake --install "$windows_tree" --prefix "$stage/windows-install" --strip > /dev/null
mkdir "$stage/$windows_name"
cp "$stage/windows-install/bin/pictoline.exe" "$stage/$windows_name/"
sed -e "s/@PROJECT_VERSION@/$version/g" -e 's/$/\r/' release/README-windows.txt \
    > "$stage/$windows_name/README.txt"
pack_zip "$windows_name"
