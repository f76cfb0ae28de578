#!/usr/bin/env bash
# Builds the fuzz targets into build-fuzz/ and runs each for a bounded time:
#   fuzz/run.sh [seconds per target, default 60] [target ...]
# Exits non-zero when a target finds a crash or a failed invariant; the input
# that did it is left in build-fuzz/findings/<target>/.
set -euo pipefail

cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-60}
shift || true
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    TARGETS=(header_fuzz terminal_keys_fuzz console_keys_fuzz console_fuzz textforms_fuzz)
fi

CXX=${CXX:-clang++}
OUT=build-fuzz
FLAGS=(-std=c++20 -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -I.)

# Everything the targets may link; the archive hands each only what it uses.
# The portable core as CMakeLists.txt lists it, the Windows console's key
# decoder, then the host layer: the POSIX file host and the tests' fake surface
# and keyboard.
mapfile -t CORE_SOURCES < <(sed -n '/^add_library(pictoline_core OBJECT/,/)/p' CMakeLists.txt |
    grep -o '[A-Za-z0-9_/]*\.cpp')
if [ ${#CORE_SOURCES[@]} -eq 0 ]; then
    echo "fuzz/run.sh: no pictoline_core sources found in CMakeLists.txt" >&2
    exit 2
fi
LIBRARY_SOURCES=(
    "${CORE_SOURCES[@]}"
    services/win32/console_keys.cpp
    services/posix/directory_host.cpp services/posix/file_host.cpp
    tests/fakes/fake_keyboard_host.cpp tests/fakes/fake_surface.cpp
)

build_library() {
    mkdir -p "$OUT/obj"
    local objects=() pids=() source object
    for source in "${LIBRARY_SOURCES[@]}"; do
        object="$OUT/obj/${source//\//_}.o"
        objects+=("$object")
        "$CXX" "${FLAGS[@]}" -fsanitize=fuzzer-no-link -c "$source" -o "$object" &
        pids+=($!)
        if [ ${#pids[@]} -ge "$(nproc)" ]; then
            wait "${pids[0]}"
            pids=("${pids[@]:1}")
        fi
    done
    local pid
    for pid in "${pids[@]}"; do wait "$pid"; done
    rm -f "$OUT/libpictoline_fuzz.a"
    ar rcs "$OUT/libpictoline_fuzz.a" "${objects[@]}"
}

build_target() {
    "$CXX" "${FLAGS[@]}" -fsanitize=fuzzer "fuzz/$1.cpp" "$OUT/libpictoline_fuzz.a" -o "$OUT/$1"
}

# Executions from libFuzzer's log: the final statistics, else "Done N runs",
# else the last status line (a run cut short by a finding).
executions_in() {
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9][0-9]*\).*/\1/p' "$1" | tail -n 1)
    [ -n "$runs" ] || runs=$(sed -n 's/^Done \([0-9][0-9]*\) runs.*/\1/p' "$1" | tail -n 1)
    [ -n "$runs" ] || runs=$(sed -n 's/^#\([0-9][0-9]*\)[[:space:]].*/\1/p' "$1" | tail -n 1)
    echo "${runs:-?}"
}

# Runs one target on a writable copy of its seeds; prints one line of results.
run_target() {
    local target=$1 work="$OUT/corpus/$1" findings="$OUT/findings/$1" log="$OUT/$1.log"
    local scratch="$PWD/$OUT/tmp/$1"
    rm -rf "$findings" "$scratch"
    mkdir -p "$work" "$findings" "$scratch"
    if [ -d "fuzz/corpus/$target" ]; then
        cp -n "fuzz/corpus/$target"/* "$work"/ 2>/dev/null || true
    fi
    local extra=()
    [ -d "fuzz/regressions/$target" ] && extra+=("fuzz/regressions/$target")
    local start status=0
    start=$(date +%s)
    # A target stopped by a finding leaves its temporary files under build-fuzz/.
    TMPDIR="$scratch" UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$OUT/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" "${extra[@]}" >"$log" 2>&1 || status=$?
    local elapsed=$(($(date +%s) - start))
    local runs
    runs=$(executions_in "$log")
    local verdict="no crash"
    if [ "$status" -ne 0 ] || ls "$findings" | grep -q .; then
        verdict="CRASH (exit $status): see $log and $findings/"
    fi
    printf '%-20s %12s executions %6s s   %s\n' "$target" "$runs" "$elapsed" "$verdict"
    [ "$verdict" = "no crash" ]
}

build_library
for target in "${TARGETS[@]}"; do
    build_target "$target"
done

failed=0
for target in "${TARGETS[@]}"; do
    run_target "$target" || failed=1
done
exit "$failed"
