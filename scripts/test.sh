#!/usr/bin/env bash
# Runs every test: the release build, then the whole suite again under AddressSanitizer + UBSan.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$repo_root/scripts/setup.sh"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

for flavour in release asan; do
    echo "[test] building and testing the $flavour build"
    "$repo_root/scripts/build.sh" "$flavour"
    build_dir="$repo_root/build"
    [ "$flavour" = asan ] && build_dir="$repo_root/build-asan"
    # Editor tests draw with JUCE's graphics; a virtual display keeps them headless.
    xvfb-run -a ctest --test-dir "$build_dir" --output-on-failure
    if [ "$flavour" = release ]; then
        # A saved state comes from outside: Valgrind's memcheck watches every byte the restore
        # reads, including inside JUCE's XML parser, which the sanitizer build does not instrument.
        echo "[test] the state tests under Valgrind"
        xvfb-run -a valgrind -q --error-exitcode=1 "$build_dir/tests/tarngloam_tests" --gtest_filter='State.*:Parameters.*'
    fi
done
