#!/usr/bin/env bash
# Checks that what a make target needs is installed, before it builds or runs
# anything:   tools/prerequisites.sh build|test|bench|fuzz|format|windows|windows-test|arm-test|dist
# Silent when all is there; otherwise one line naming what is missing and the
# Debian packages that install it, and exit status 1.
set -u

target=${1:?usage: prerequisites.sh build|test|bench|fuzz|format|windows|windows-test|arm-test|dist}
missing=()
packages=()

# A command that must be on PATH, and the Debian package that installs it.
need() {
    command -v "$1" >/dev/null 2>&1 && return
    missing+=("$1")
    packages+=("$2")
}

# A header the C++ compiler must find, and the package that installs it.
need_header() {
    echo "#include <$1>" | "${CXX:-c++}" -E -x c++ - >/dev/null 2>&1 && return
    missing+=("<$1>")
    packages+=("$2")
}

need_build() {
    need cmake cmake
    need "${CXX:-c++}" g++
}

case $target in
build)
    what="building Pictoline"
    need_build
    ;;
test)
    what="the tests"
    need_build
    need tmux tmux
    need python3 python3
    need convert imagemagick
    need identify imagemagick
    need setpriv util-linux
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
    need wine wine
    need tmux tmux
    need python3 python3
    ;;
arm-test)
    what="the aarch64 build's tests"
    need_build
    need aarch64-linux-gnu-g++ g++-aarch64-linux-gnu
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

if [ ${#missing[@]} -gt 0 ]; then
    declare -A named=()
    install=""
    for package in "${packages[@]}"; do
        [ -n "${named[$package]:-}" ] || install+=" $package"
        named[$package]=1
    done
    names=$(printf '%s, ' "${missing[@]}")
    echo "missing for $what: ${names%, }; install them with: apt-get install$install" >&2
    exit 1
fi
