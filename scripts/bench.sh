#!/usr/bin/env bash
# Builds the release configuration and runs the benchmarks (extra arguments go to Google Benchmark).
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$repo_root/scripts/setup.sh"
"$repo_root/scripts/build.sh" release
"$repo_root/build/bench/tarngloam_bench" "$@"
