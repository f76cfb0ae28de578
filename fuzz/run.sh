#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build tree (make fuzz builds it) for a
# bounded time:   fuzz/run.sh BUILD [seconds per target, default 60] [target ...]
# Exits non-zero when a target finds a crash or a failed invariant; the input
# that did it is left in BUILD/fuzz/findings/<target>/.
set -euo pipefail

cd "$(dirname "$0")/.."

BUILD=${1:?usage: fuzz/run.sh BUILD [seconds per target] [target ...]}
SECONDS_PER_TARGET=${2:-60}
shift 2 || shift || true
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    TARGETS=(header_fuzz terminal_keys_fuzz console_keys_fuzz console_fuzz textforms_fuzz
        picture_fuzz exif_fuzz)
fi

OUT=$(cd "$BUILD" && pwd)/fuzz

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
    local scratch="$OUT/tmp/$1"
    rm -rf "$findings" "$scratch"
    mkdir -p "$work" "$findings" "$scratch"
    if [ -d "fuzz/corpus/$target" ]; then
        cp -n "fuzz/corpus/$target"/* "$work"/ 2>/dev/null || true
    fi
    local extra=()
    [ -d "fuzz/regressions/$target" ] && extra+=("fuzz/regressions/$target")
    local start status=0
    start=$(date +%s)
    # A target stopped by a finding leaves its temporary files in the build tree.
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

failed=0
for target in "${TARGETS[@]}"; do
    run_target "$target" || failed=1
done
exit "$failed"
