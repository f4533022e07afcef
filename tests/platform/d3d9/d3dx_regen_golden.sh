#!/usr/bin/env bash
# Rewrites d3dx_golden.txt from the real D3DX9: runs the Windows build's
# d3dx_probe.exe under Wine (needs an X display for the device).
#   tests/platform/d3d9/d3dx_regen_golden.sh [windows build folder]   (default build/windows)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../../build/windows}
export WINEDEBUG=-all
timeout 120 wine "$build/tests/platform/d3d9/d3dx_probe.exe" "$here/d3dx_golden.txt"
echo "wrote $here/d3dx_golden.txt"
