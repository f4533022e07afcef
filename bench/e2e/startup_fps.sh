#!/usr/bin/env bash
# Start-up time and frame rate of the real program, native and under Wine, side
# by side, on a private virtual display (see startup_fps.py for the method).
#   bench/e2e/startup_fps.sh [RUNS]
# Needs both builds: cmake --build --preset native, cmake --build --preset windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/lib/xvfb.sh

native=$root/build/native/app/lattice-gas
exe=$root/build/windows/app/lattice-gas.exe
for f in "$native" "$exe"; do
  [ -f "$f" ] || { echo "missing $f: build the native and windows presets first" >&2; exit 1; }
done

trap latticegas_stop_xvfb EXIT
latticegas_start_xvfb

export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
  timeout 60 wineserver -w || true
fi

echo "$(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg), display $DISPLAY (Xvfb, software OpenGL)"
timeout 600 python3 bench/e2e/startup_fps.py "$native" "$exe" "${1:-3}"
