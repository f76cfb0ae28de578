#!/usr/bin/env bash
# Writes the Debian package of a configured and built Linux tree:
#     release/deb.sh TREE ARCHITECTURE PACKAGE_FILE
# ARCHITECTURE is Debian's name for the tree's processor (amd64, arm64). The
# package holds /usr/bin/pictoline, its manual page, the copyright file and a
# changelog, and depends on nothing: the program is linked statically. Its
# times are SOURCE_DATE_EPOCH, by default the commit's, so the same commit
# gives the same package.
# DEB_MAINTAINER names the maintainer; by default, the commit's author.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022

tree=$1
arch=$2
package=$3

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/CMakeCache.txt")
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}
export SOURCE_DATE_EPOCH
maintainer=${DEB_MAINTAINER:-$(git log -1 --format='%an <%ae>' HEAD)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/pictoline
doc=$root/usr/share/doc/pictoline

# A native package's changelog, in Debian's form; CHANGELOG.md of the sources
# has the changes themselves.
changelog() {
    printf 'pictoline (%s) unstable; urgency=medium\n\n' "$version"
    printf '  * Pictoline %s, from commit %s.\n\n' "$version" "$(git rev-parse --short=12 HEAD)"
    printf ' -- %s  %s\n' "$maintainer" "$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
}

control() {
    cat <<CONTROL
Package: pictoline
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -s -k "$root/usr" | cut -f1)
Section: graphics
Priority: optional
Description: turn small 24-bit bitmaps into RGB565 BASIC data
 Pictoline is a full-screen text-mode tool for an 80 x 25 terminal. It lists
 the directories and .bmp files of the current directory, each bitmap with
 its width, height and bits per pixel. Choose a 24-bit bitmap of at most
 176 x 132 pixels and it writes BASIC source beside it, whose data lines hold
 one 16-bit RGB565 colour value per pixel, for a program that paints a small
 colour display.
CONTROL
}

DESTDIR=$root cmake --install "$tree" --prefix /usr --strip > /dev/null
gzip -9n "$root/usr/share/man/man1/pictoline.1"
mkdir -p "$doc" "$root/usr/share/lintian/overrides" "$root/DEBIAN"
cp release/copyright "$doc/copyright"
changelog | gzip -9n > "$doc/changelog.gz"
printf '%s\n' "# Linked statically so that it runs with any C library version." \
    "pictoline: statically-linked-binary [usr/bin/pictoline]" \
    > "$root/usr/share/lintian/overrides/pictoline"
control > "$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group --build "$root" "$package" > /dev/null
