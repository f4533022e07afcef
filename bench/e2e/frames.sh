#!/usr/bin/env bash
# Frames per second of the program's frame on a private virtual display
# (software OpenGL), with the start-up grid's particles randomised, in four
# views: nothing in view (40 zoom-ins), the start, 8 zoom-outs, 25 zoom-outs
# (the whole grid). Frames are counted in the process (bench/frame_bench).
#   bench/e2e/frames.sh [REPETITIONS] [OTHER_BUILD]
# Needs the native build: cmake --build --preset native --target frame_bench.
# To compare the device with another version of it, name that version's build
# folder: its frame_bench runs turn about with this one's, each repetition in
# a process of its own, the order alternating, and the table gives both and
# their ratio. An earlier commit's build, for example:
#   git worktree add ../before COMMIT
#   (cd ../before && cmake --preset native && cmake --build --preset native --target frame_bench)
#   bench/e2e/frames.sh 5 ../before/build/native
# Measure nothing else at the same time: the two cores are shared with the
# software renderer.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/xvfb.sh

repetitions=${1:-5}
builds=(build/native)
[ -n "${2:-}" ] && builds+=("$2")
for build in "${builds[@]}"; do
  [ -x "$build/bench/frame_bench" ] || { echo "missing $build/bench/frame_bench: build it first" >&2; exit 1; }
done
out=$(mktemp -d)
trap 'latticegas_stop_xvfb; rm -rf "$out"' EXIT
latticegas_start_xvfb
echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
# Builds from before BM_Frame measured the program's device as BM_Device's
# device 2.
filter='^BM_Frame/|^BM_Device/zoomOuts:-?[0-9]+/device:2/'
for ((r = 0; r < repetitions; r++)); do
  order=("${!builds[@]}")
  ((r % 2 == 1)) && order=($(printf '%s\n' "${order[@]}" | tac))
  for i in "${order[@]}"; do
    "${builds[$i]}/bench/frame_bench" --benchmark_filter="$filter" \
      --benchmark_enable_random_interleaving=true --benchmark_format=json >"$out/$i-$r.json"
  done
done
args=()
for i in "${!builds[@]}"; do args+=("${builds[$i]}" "$out/$i-"*.json); done
python3 bench/e2e/frames_table.py "${args[@]}"
