#!/usr/bin/env bash
# The web edition's long run in headless Chromium: the whole grid with random
# input and the graphics lost and given back every 15 to 25 s; the
# WebAssembly and JS heaps at the start, every minute and at the end, and the
# frames per second before and after the losses (see web_long_run.py).
#   bench/e2e/web_long_run.sh [MINUTES] [SITE] [no-losses]
# MINUTES: 10 by default. SITE: the web build's folder, build/web by default.
# no-losses: the same input without the losses, for comparison.
# Needs the web build: cmake --preset web && cmake --build --preset web.
# Measure nothing else at the same time: the two cores are shared with the
# software renderer.
set -euo pipefail
cd "$(dirname "$0")/../.."
minutes=${1:-10}
site=${2:-build/web}
[ -f "$site/lattice-gas.wasm" ] || { echo "missing $site/lattice-gas.wasm: build the web preset first" >&2; exit 1; }
timeout $(( ${minutes%.*} * 60 + 600 )) /usr/bin/python3 bench/e2e/web_long_run.py "$site" "$minutes" ${3:+"$3"}
