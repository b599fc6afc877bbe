#!/usr/bin/env bash
# Fuzzes each target for SECONDS (default 60) with libFuzzer, one after another, starting from the
# checked-in seeds. New interesting inputs collect in build-fuzz/corpus/TARGET (not in the repository);
# a crash stops the run with its input in build-fuzz/crashes/TARGET. Once the bug is fixed, copy that
# input into tests/fuzz/crashes/TARGET: the test suite replays it from then on.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   targets: state audio_file process
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(state audio_file process)

"$repo_root/scripts/setup.sh" >/dev/null
"$repo_root/scripts/build.sh" fuzz

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for target in "${targets[@]}"; do
    work="$repo_root/build-fuzz/corpus/$target"
    crashes="$repo_root/build-fuzz/crashes/$target"
    mkdir -p "$work" "$crashes"
    echo "[fuzz] $target for $seconds s"
    "$repo_root/build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -malloc_limit_mb=512 -timeout=20 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "$repo_root/tests/fuzz/corpus/$target" \
        2>&1 | grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|==|SUMMARY|fuzz check|.*Test unit written)' \
        || true
    if ls "$crashes"/crash-* "$crashes"/leak-* "$crashes"/timeout-* "$crashes"/oom-* >/dev/null 2>&1; then
        echo "[fuzz] $target found a problem: see $crashes" >&2
        exit 1
    fi
done
echo "[fuzz] no problems found"
