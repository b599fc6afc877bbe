#!/usr/bin/env bash
# Configures and builds TARNGLOAM. Usage: scripts/build.sh [release|asan]
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

case "$flavour" in
    release) build_dir="$repo_root/build"
             options=(-DTARNGLOAM_SANITIZE=OFF -DTARNGLOAM_BUILD_TESTS=ON -DTARNGLOAM_BUILD_BENCHMARKS=ON) ;;
    asan)    build_dir="$repo_root/build-asan"
             options=(-DTARNGLOAM_SANITIZE=ON -DTARNGLOAM_BUILD_TESTS=ON -DTARNGLOAM_BUILD_BENCHMARKS=OFF) ;;
    *) echo "usage: $0 [release|asan]" >&2; exit 2 ;;
esac

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNGLOAM_JUCE_DIR="$repo_root/.deps/JUCE" "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$jobs"
