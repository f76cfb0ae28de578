#!/usr/bin/env bash
# Installs this machine's Debian package of Pictoline from the release files
# with dpkg -i, converts a picture with the installed program through a pipe,
# removes the package with dpkg -r, and checks that nothing of it is left.
# Needs root, and no Pictoline installed in /usr beforehand.
#     release/check_install.sh dist
set -euo pipefail
here=$(dirname "$(realpath "$0")")
dist=$1
package=$(sed 's/^[0-9a-f]*  //' "$dist/SHA256SUMS" | grep -E "_$(dpkg --print-architecture)\.deb\$")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

# Every path the package holds, as absolute paths, "/" left out.
package_paths() {
    dpkg-deb --fsys-tarfile "$dist/$package" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^$'
}

# Converts a 176 x 132 picture with the installed program, as the only entry
# of its directory.
convert_with_installed() {
    python3 "$here/../tests/e2e/make_bitmap.py" "$work/pic.bmp" 176 132
    (cd "$work" && printf '\033[B\033[B\r' | timeout 10 pictoline > /dev/null) &&
        grep -qa "^'End of Bitmap" "$work/pic.bmp.txt"
}

if dpkg-query -W pictoline > /dev/null 2>&1; then
    fail "a pictoline package is installed already"
fi
new=()
for path in $(package_paths); do
    [ -d "$path" ] && continue
    [ -e "$path" ] && fail "$path is there before the package is installed"
    new+=("$path")
done

dpkg -i "$dist/$package"
for path in $(package_paths); do
    [ -e "$path" ] || fail "$path is missing after dpkg -i"
done
[ "$(command -v pictoline)" = /usr/bin/pictoline ] || fail "pictoline is not /usr/bin/pictoline"
convert_with_installed || fail "the installed program does not convert a picture"

dpkg -r pictoline
for path in "${new[@]}"; do
    [ -e "$path" ] && fail "$path is left after dpkg -r"
done
[ "$(dpkg-query -W -f='${db:Status-Status}' pictoline 2>/dev/null)" != installed ] ||
    fail "dpkg still counts pictoline installed"
echo "$package: installed, converts, removed without a trace"
