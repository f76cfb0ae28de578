#!/usr/bin/env bash
# Checks that what a make target needs is installed, before it builds or runs
# anything:   tools/prerequisites.sh build|test|bench|fuzz|format|windows|windows-test|arm-test|dist
# Silent when all is there. Otherwise it installs the missing Debian packages
# with apt-get, as root or through sudo, after one line naming them, and goes
# on. With PICTOLINE_NO_INSTALL=1, without apt-get (or root or sudo), or when
# the install fails: one line naming what is missing and the packages that
# install it, and exit status 1.
set -u

target=${1:?usage: prerequisites.sh build|test|bench|fuzz|format|windows|windows-test|arm-test|dist}
# Where the checks of files look: / but in the tests of this script.
root=${PICTOLINE_PREREQUISITES_ROOT:-}
missing=()
packages=()

# A command that must be on PATH, and the Debian package that installs it.
need() {
    command -v "$1" >/dev/null 2>&1 && return
    missing+=("$1")
    packages+=("$2")
}

# A file that must exist, and the package that installs it. Headers the
# cross compilers use too are checked this way: they do not search
# /usr/include, so asking the compiler would not tell.
need_file() {
    [ -e "$root$1" ] && return
    missing+=("$1")
    packages+=("$2")
}

# A header the C++ compiler must find, and the package that installs it.
need_header() {
    echo "#include <$1>" | "${CXX:-c++}" -E -x c++ - >/dev/null 2>&1 && return
    missing+=("<$1>")
    packages+=("$2")
}

# What every build of the program needs: CMake, a compiler, and the picture
# decoder's headers.
need_build() {
    need cmake cmake
    need "${CXX:-c++}" g++
    need_file /usr/include/stb/stb_image.h libstb-dev
    need_file /usr/include/stb/stb_image_resize.h libstb-dev
}

# GoogleTest, as cmake/googletest.cmake takes it: installed, or its sources
# (which libgtest-dev brings along).
need_googletest() {
    [ -e "$root/usr/include/gtest/gtest.h" ] && return
    need_file /usr/src/googletest/CMakeLists.txt libgtest-dev
}

# Fills missing and packages with what the target lacks.
check() {
    missing=()
    packages=()
    case $target in
    build)
        what="building Pictoline"
        need_build
        ;;
    test)
        what="the tests"
        need_build
        need_googletest
        need tmux tmux
        need python3 python3
        need convert imagemagick
        need identify imagemagick
        need setpriv util-linux
        need pgrep procps
        need strace strace
        ;;
    bench)
        what="the benchmarks"
        need_build
        need python3 python3
        command -v "${CXX:-c++}" >/dev/null 2>&1 && need_header benchmark/benchmark.h libbenchmark-dev
        ;;
    fuzz)
        what="the fuzz targets"
        need cmake cmake
        need clang++ clang
        need_file /usr/include/stb/stb_image.h libstb-dev
        need_file /usr/include/stb/stb_image_resize.h libstb-dev
        ;;
    format)
        what="formatting"
        need git git
        need clang-format clang-format
        ;;
    windows)
        what="the Windows build"
        need_build
        need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
        ;;
    windows-test)
        what="the Windows build's tests"
        need_build
        need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
        # The cross build makes GoogleTest from its sources.
        need_file /usr/src/googletest/CMakeLists.txt libgtest-dev
        need wine wine
        need tmux tmux
        need python3 python3
        ;;
    arm-test)
        what="the aarch64 build's tests"
        need_build
        need aarch64-linux-gnu-g++ g++-aarch64-linux-gnu
        need_file /usr/src/googletest/CMakeLists.txt libgtest-dev
        need qemu-aarch64-static qemu-user-static
        need python3 python3
        ;;
    dist)
        what="the release files"
        need_build
        need git git
        need zip zip
        need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
        need aarch64-linux-gnu-g++ g++-aarch64-linux-gnu
        need dpkg-deb dpkg
        ;;
    *)
        echo "prerequisites.sh: unknown target $target" >&2
        exit 2
        ;;
    esac
}

# The missing packages, each named once, in the order first needed.
package_list() {
    declare -A named=()
    local package list=""
    for package in "${packages[@]}"; do
        [ -n "${named[$package]:-}" ] || list+=" $package"
        named[$package]=1
    done
    echo "${list# }"
}

# Runs a command as root: directly when the script is root, else through sudo.
as_root() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs the packages; false when installing is turned off, impossible here,
# or fails. Package lists that do not know every package (on a fresh machine
# they are empty) are read first; lists that are out of date are read again
# after an install that fails.
install_packages() {
    local list=$1
    [ -z "${PICTOLINE_NO_INSTALL:-}" ] || [ "$PICTOLINE_NO_INSTALL" = 0 ] || return 1
    command -v apt-get >/dev/null 2>&1 || return 1
    [ "$(id -u)" = 0 ] || command -v sudo >/dev/null 2>&1 || return 1
    echo "installing for $what: apt-get install -y $list" >&2
    local updated=no
    # shellcheck disable=SC2086 # the list is words
    if ! apt-cache show $list >/dev/null 2>&1; then
        as_root apt-get update || return 1
        updated=yes
    fi
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y $list && return 0
    [ $updated = no ] || return 1
    as_root apt-get update || return 1
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y $list
}

check
[ ${#missing[@]} -eq 0 ] && exit 0
list=$(package_list)
install_packages "$list" && check
if [ ${#missing[@]} -gt 0 ]; then
    names=$(printf '%s, ' "${missing[@]}")
    echo "missing for $what: ${names%, }; install them with: apt-get install $(package_list)" >&2
    exit 1
fi
