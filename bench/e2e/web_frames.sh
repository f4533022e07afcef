#!/usr/bin/env bash
# The web edition beside the native build, on this machine: presented frames
# per second with the particles randomised in six views (start, 8 x F,
# 25 x F, and at 25 x F a key that changes nothing pressed every frame, the
# camera panned every frame and a selected node moved every frame), what
# each frame costs the page (its main thread's CPU time, the program's Clear
# to Present, the bytes handed to WebGL's buffers and the draw calls), the
# page's load to its first drawn frame (first visit, and a repeat visit
# served by the service worker), and the size of the .wasm and .js, raw and
# gzipped. Native frames come from frame_bench
# (the program's frame on a window of a private virtual display, the device
# as shipped; the first three views only); the web's from headless Chromium
# with software WebGL, counted in the page.
# Runs alternate between the two.
#   bench/e2e/web_frames.sh [ROUNDS] [SITES]
# ROUNDS: 3 by default. SITES: the build folders of the page to measure,
# comma-separated (relative to the repository, or absolute); given, it
# replaces the default list, build/web. Each round runs every site, in a
# different order each round, and every site is reported against the first,
# the reference. To compare with the WebGL device as an earlier commit had
# it, build that commit in a worktree of its own and put its folder first:
#   git worktree add /tmp/old COMMIT
#   (cd /tmp/old && cmake --preset web && cmake --build --preset web)
#   bench/e2e/web_frames.sh 3 /tmp/old/build/web,build/web
# An entry may end in a query for its page: the web build's fixed-way/ is the
# program drawing its large first sights one way, which the program itself
# chooses by timing both:
#   bench/e2e/web_frames.sh 3 /tmp/old/build/web,build/web/fixed-way?way=instanced
# Needs the native and web builds: cmake --build --preset native, and
# cmake --preset web && cmake --build --preset web. Measure nothing else at
# the same time: the two cores are shared with the software renderers.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/xvfb.sh
bench=build/native/bench/frame_bench
sites=${2:-build/web}
[ -x "$bench" ] || { echo "missing $bench: build the native preset first" >&2; exit 1; }
IFS=, read -ra site_list <<<"$sites"
for site in "${site_list[@]}"; do
  folder=${site%%\?*}
  [ -f "$folder/lattice-gas.wasm" ] || { echo "missing $folder/lattice-gas.wasm: build the web preset there first" >&2; exit 1; }
done
trap latticegas_stop_xvfb EXIT
latticegas_start_xvfb
echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
timeout 1800 /usr/bin/python3 bench/e2e/web_frames.py "$bench" "$sites" "${1:-3}"
