#!/usr/bin/env bash
# The prerequisite check of every make target, against stubs: commands on a
# PATH of this script's making, apt-get, apt-cache, sudo and id among them,
# and files under a root of its own. Each row gives what is missing, who runs
# the check and how the system behaves, then the lines the check prints, what
# it ran, and its exit status.
set -u
script=$(realpath "$(dirname "$0")/../tools/prerequisites.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
rows=0

# Everything some target checks for: commands, and files (from /).
COMMANDS="cmake c++ tmux python3 convert identify setpriv pgrep strace x86_64-w64-mingw32-g++-posix wine"
FILES="/usr/include/stb/stb_image.h /usr/include/stb/stb_image_resize.h
/usr/include/gtest/gtest.h /usr/src/googletest/CMakeLists.txt"

# What a package brings.
provides() {
    case $1 in
    imagemagick) echo convert identify ;;
    libstb-dev) echo /usr/include/stb/stb_image.h /usr/include/stb/stb_image_resize.h ;;
    libgtest-dev) echo /usr/include/gtest/gtest.h /usr/src/googletest/CMakeLists.txt ;;
    procps) echo pgrep ;;
    *) echo "$1" ;;
    esac
}

# A command that does nothing, or what a package brought, in case $1.
make_command() { printf '#!/bin/bash\n' > "$1/bin/$2" && chmod +x "$1/bin/$2"; }
make_file() { mkdir -p "$(dirname "$1/root$2")" && : > "$1/root$2"; }
bring() { if [[ $2 == /* ]]; then make_file "$1" "$2"; else make_command "$1" "$2"; fi; }

# The stubs of case directory $1; the flags say how the system behaves.
make_stubs() {
    local dir=$1 flags=$2
    declare -f provides make_command make_file bring > "$dir/functions.sh"
    cat > "$dir/bin/id" <<'STUB'
#!/bin/bash
echo "$STUB_UID"
STUB
    if [[ $flags != *no-sudo* ]]; then
        cat > "$dir/bin/sudo" <<STUB
#!/bin/bash
echo "sudo \$*" >> "$dir/log"
STUB_UID=0 exec "\$@"
STUB
    fi
    if [[ $flags != *no-apt* ]]; then
        cat > "$dir/bin/apt-get" <<STUB
#!/bin/bash
PATH=\$PATH:/usr/bin:/bin # for mkdir and chmod
source "$dir/functions.sh"
echo "apt-get \$* as \$(id -u)" >> "$dir/log"
case \$1 in
update) : > "$dir/lists" ;;
install)
    [ -e "$dir/fails" ] && exit 100
    shift
    for package; do
        [ "\$package" = -y ] && continue
        for thing in \$(provides "\$package"); do bring "$dir" "\$thing"; done
    done ;;
esac
STUB
        cat > "$dir/bin/apt-cache" <<STUB
#!/bin/bash
[ -e "$dir/lists" ]
STUB
    fi
    [[ $flags == *no-lists* ]] || : > "$dir/lists"
    [[ $flags != *fails* ]] || : > "$dir/fails"
    chmod +x "$dir"/bin/*
}

# Name | target | missing | uid | flags | lines printed ("~" between) | what ran | exit status
NEEDS_TMUX="missing for the tests: tmux; install them with: apt-get install tmux"
cases=(
    "nothing missing: silent|test||1000||||0"
    "GoogleTest's sources alone will do|test|/usr/include/gtest/gtest.h|1000||||0"
    "missing, as root: installed, then on|test|tmux convert identify|0||installing for the tests: apt-get install -y tmux imagemagick|apt-get install -y tmux imagemagick as 0|0"
    "missing, not root: through sudo|test|pgrep /usr/include/stb/stb_image.h|1000||installing for the tests: apt-get install -y libstb-dev procps|sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y libstb-dev procps~apt-get install -y libstb-dev procps as 0|0"
    "empty package lists are read first|build|/usr/include/stb/stb_image_resize.h|0|no-lists|installing for building Pictoline: apt-get install -y libstb-dev|apt-get update as 0~apt-get install -y libstb-dev as 0|0"
    "no GoogleTest at all|test|/usr/include/gtest/gtest.h /usr/src/googletest/CMakeLists.txt|0||installing for the tests: apt-get install -y libgtest-dev|apt-get install -y libgtest-dev as 0|0"
    "the cross build wants the sources|windows-test|/usr/src/googletest/CMakeLists.txt|0||installing for the Windows build's tests: apt-get install -y libgtest-dev|apt-get install -y libgtest-dev as 0|0"
    "PICTOLINE_NO_INSTALL=1|test|tmux|0|no-install|$NEEDS_TMUX||1"
    "no apt-get|test|tmux|0|no-apt|$NEEDS_TMUX||1"
    "neither root nor sudo|test|tmux|1000|no-sudo|$NEEDS_TMUX||1"
    "failed install, tried again after reading the lists|test|tmux|0|fails|installing for the tests: apt-get install -y tmux~$NEEDS_TMUX|apt-get install -y tmux as 0~apt-get update as 0~apt-get install -y tmux as 0|1"
)

for row in "${cases[@]}"; do
    IFS='|' read -r name target missing uid flags printed ran status <<<"$row"
    rows=$((rows + 1))
    dir="$work/$rows"
    mkdir -p "$dir/bin" "$dir/root"
    : > "$dir/log"
    ln -s "$(command -v env)" "$dir/bin/env"
    for thing in $COMMANDS $FILES; do
        [[ " $missing " == *" $thing "* ]] || bring "$dir" "$thing"
    done
    make_stubs "$dir" "$flags"
    no_install=""
    [[ $flags != *no-install* ]] || no_install=1
    output=$(env -i PATH="$dir/bin" STUB_UID="$uid" PICTOLINE_PREREQUISITES_ROOT="$dir/root" \
        ${no_install:+PICTOLINE_NO_INSTALL=1} "$BASH" "$script" "$target" 2>&1)
    code=$?
    expected_output=$(tr '~' '\n' <<<"$printed")
    [ -n "$printed" ] || expected_output=""
    expected_log=$(tr '~' '\n' <<<"$ran")
    [ -n "$ran" ] || expected_log=""
    if [ "$output" != "$expected_output" ]; then
        failures=$((failures + 1))
        printf 'FAIL: %s: printed\n%s\nand not\n%s\n' "$name" "$output" "$expected_output"
    fi
    if [ "$(cat "$dir/log")" != "$expected_log" ]; then
        failures=$((failures + 1))
        printf 'FAIL: %s: ran\n%s\nand not\n%s\n' "$name" "$(cat "$dir/log")" "$expected_log"
    fi
    if [ "$code" != "$status" ]; then
        failures=$((failures + 1))
        echo "FAIL: $name: exit status $code, not $status"
    fi
done
echo "$rows rows, $failures failures"
[ "$failures" -eq 0 ]
