#!/usr/bin/env bash
# The web edition beside the native build, on this machine: presented frames
# per second with the particles randomised in three views (start, 8 x F,
# 25 x F), the page's load to its first drawn frame (first visit, and a repeat
# visit served by the service worker), and the size of the .wasm
# and .js, raw and gzipped. Native frames come from frame_bench (the program's
# frame on a window of a private virtual display, the device as shipped);
# the web's from headless Chromium with software WebGL, counted in the page.
# Runs alternate between the two.
#   bench/e2e/web_frames.sh [ROUNDS] [SITE,SITE...]
# (SITE: build folders of the page to compare, build/web by default; the
# WebGL device as it was: build/web,build/web-instanced after cmake --preset
# web -B build/web-instanced -DLATTICEGAS_WEB_INSTANCING=ON
# -DLATTICEGAS_WEB_BLIT=ON.)
# Needs the native and web builds: cmake --build --preset native, and
# cmake --preset web && cmake --build --preset web. Measure nothing else at
# the same time: the two cores are shared with the software renderers.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/xvfb.sh
bench=build/native/bench/frame_bench
sites=${2:-build/web}
site=${sites%%,*}
[ -x "$bench" ] || { echo "missing $bench: build the native preset first" >&2; exit 1; }
[ -f "$site/lattice-gas.wasm" ] || { echo "missing $site/lattice-gas.wasm: build the web preset first" >&2; exit 1; }
trap latticegas_stop_xvfb EXIT
latticegas_start_xvfb
echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
timeout 1800 /usr/bin/python3 bench/e2e/web_frames.py "$bench" "$sites" "${1:-3}"
