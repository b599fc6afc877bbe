#!/usr/bin/env bash
# Configures and builds TARNGLOAM. Usage: scripts/build.sh [release|asan|fuzz|tsan|windows]
#   release  everything, optimised, in build/
#   asan     our code and the tests with AddressSanitizer and UBSan, in build-asan/
#   fuzz     the libFuzzer targets (clang; the test bed, JUCE included, instrumented), in build-fuzz/
#   tsan     the concurrency test with ThreadSanitizer (the test bed, JUCE included), in build-tsan/
#   windows  Windows x64, cross-built with MinGW-w64: TARNGLOAM.vst3, tarngloam-render.exe and the
#            test hosts that run them under Wine, in build-windows/
#
# Every run configures (cheap when nothing changed), so a flavour's options always apply: a tree
# configured some other way by hand is set back before it is built and tested.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
flavour=${1:-release}

# ccache shares JUCE's objects between the release and sanitizer builds: only our own code
# carries the sanitizer flags, and paths below the repository are hashed relative to it.
export CCACHE_BASEDIR="$repo_root"
export CCACHE_NOHASHDIR=1

common=(-DTARNGLOAM_SANITIZE=OFF -DTARNGLOAM_FUZZ=OFF -DTARNGLOAM_TSAN=OFF -DTARNGLOAM_BUILD_TESTS=ON
        -DTARNGLOAM_BUILD_BENCHMARKS=OFF)
targets=()
case "$flavour" in
    release) build_dir="$repo_root/build"
             options=("${common[@]}" -DTARNGLOAM_BUILD_BENCHMARKS=ON) ;;
    asan)    build_dir="$repo_root/build-asan"
             options=("${common[@]}" -DTARNGLOAM_SANITIZE=ON) ;;
    fuzz)    build_dir="$repo_root/build-fuzz"
             options=("${common[@]}" -DTARNGLOAM_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
             targets=(--target tarngloam_fuzzers) ;;
    tsan)    build_dir="$repo_root/build-tsan"
             options=("${common[@]}" -DTARNGLOAM_TSAN=ON)
             targets=(--target concurrency_tests) ;;
    windows) build_dir="$repo_root/build-windows"
             options=("${common[@]}" -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake") ;;
    *) echo "usage: $0 [release|asan|fuzz|tsan|windows]" >&2; exit 2 ;;
esac

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNGLOAM_JUCE_DIR="$repo_root/.deps/JUCE" "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$jobs" "${targets[@]}"
