#!/usr/bin/env bash
# Process start to the first presented frame, timed inside the process, on a
# private virtual display (software OpenGL), Mesa's shader cache cold and warm.
#   bench/e2e/startup.sh [RUNS]
# Needs the native build: cmake --build --preset native.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/xvfb.sh
probe=build/native/bench/startup_probe
[ -x "$probe" ] || { echo "missing $probe: build the native preset first" >&2; exit 1; }
trap latticegas_stop_xvfb EXIT
latticegas_start_xvfb
echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
timeout 900 python3 bench/e2e/startup.py "$probe" "${1:-10}"
