#!/usr/bin/env bash
# Frames per second of the program's frame on a private virtual display
# (software OpenGL), with the start-up grid's particles randomised, in four
# views: so close that nothing is drawn (40 zoom-ins: a frame's fixed cost),
# the start, 8 zoom-outs, 25 zoom-outs (the whole grid). Four devices side by
# side, runs interleaved at random: everything off (the device as it was: no
# culling, drawing offscreen, copied at Present), culling only, the device as
# the program has it, and that with the quick test at each draw's first sight
# (as the web's stream has it). Frames are counted in the process.
#   bench/e2e/frames.sh [REPETITIONS]
# Needs the native build: cmake --build --preset native. Measure nothing else
# at the same time: the two cores are shared with the software renderer.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/xvfb.sh

bench=build/native/bench/frame_bench
[ -x "$bench" ] || { echo "missing $bench: build the native preset first" >&2; exit 1; }
trap latticegas_stop_xvfb EXIT
latticegas_start_xvfb
echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
out=$(mktemp)
"$bench" --benchmark_filter='BM_Device' --benchmark_repetitions="${1:-5}" \
  --benchmark_enable_random_interleaving=true --benchmark_format=json >"$out"
python3 bench/e2e/frames_table.py "$out"
rm -f "$out"
