#!/usr/bin/env bash
# Compares the speed of this tree with an earlier commit, side by side in one run: both builds'
# benchmarks run alternately, round after round, and the medians and their ratio are printed.
#
# Usage: scripts/bench-compare.sh [BASE_COMMIT] [ROUNDS] [BENCHMARK_FILTER]
#   defaults: 6d6f219 (before the SIMD work), 5 rounds, the 32- and 512-sample blocks.
# Keep it out of CI: it takes minutes and a shared machine's noise needs the rounds.
set -euo pipefail
repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
base=${1:-6d6f219}
rounds=${2:-5}
filter=${3:-/(32|512)\$}

"$repo_root/scripts/setup.sh" >/dev/null
"$repo_root/scripts/build.sh" release >/dev/null

# The baseline builds in its own worktree below build-base/, against the same JUCE tree.
base_sha=$(git -C "$repo_root" rev-parse --short "$base")
base_src="$repo_root/build-base/$base_sha/src"
base_build="$repo_root/build-base/$base_sha/build"
if [ ! -d "$base_src" ]; then
    git -C "$repo_root" worktree add --detach "$base_src" "$base_sha" >/dev/null
fi
export CCACHE_BASEDIR="$base_src" CCACHE_NOHASHDIR=1
cmake -S "$base_src" -B "$base_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNGLOAM_BUILD_TESTS=OFF \
    -DTARNGLOAM_JUCE_DIR="$repo_root/.deps/JUCE" >/dev/null
cmake --build "$base_build" --target tarngloam_bench >/dev/null

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for round in $(seq 1 "$rounds"); do
    for side in base current; do
        binary="$repo_root/build/bench/tarngloam_bench"
        [ "$side" = base ] && binary="$base_build/bench/tarngloam_bench"
        "$binary" --benchmark_filter="$filter" --benchmark_min_time=0.3 --benchmark_format=json \
            > "$results/$side-$round.json" 2>/dev/null
    done
    echo "[bench-compare] round $round of $rounds done" >&2
done

head=$(git -C "$repo_root" rev-parse --short HEAD)
[ -z "$(git -C "$repo_root" status --porcelain --untracked-files=no)" ] || head="$head with local changes"
python3 - "$results" "$base_sha" "$head" <<'PY'
import glob, json, statistics, sys, os
folder, base, head = sys.argv[1:4]
# Per stereo sample for the throughput benchmarks; the median and the worst block for the
# moving-knob ones, each reported as a separate row.
times = {}
for path in glob.glob(os.path.join(folder, "*.json")):
    side = os.path.basename(path).split("-")[0]
    for b in json.load(open(path))["benchmarks"]:
        if "median_ns" in b:
            rows = {b["name"] + " median": b["median_ns"], b["name"] + " worst": b["worst_ns"]}
        else:
            rows = {b["name"]: b["per_stereo_sample"] * 1e9}
        for name, value in rows.items():
            times.setdefault(name, {}).setdefault(side, []).append(value)
print(f"ns (per stereo sample, or per block for moving knobs), median of the rounds: {base} (base) vs {head} (current)")
print(f"{'benchmark':52} {'base':>10} {'current':>10} {'speed-up':>9}")
for name, sides in sorted(times.items()):
    b, c = statistics.median(sides["base"]), statistics.median(sides["current"])
    print(f"{name:52} {b:10.1f} {c:10.1f} {b / c:8.2f}x")
PY
