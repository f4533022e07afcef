#!/usr/bin/env bash
# The Windows build's choice of D3DX9, seen from outside the program.
#   d3dx_choice_test.sh imports <lattice-gas.exe> <d3dx_probe.exe>
#     The program imports d3d9.dll but not d3dx9_43.dll, so that it starts
#     where D3DX9 is not installed; the golden data's probe does import it.
#   d3dx_choice_test.sh calls <lattice-gas.exe> <d3dx_probe.exe> <work dir>
#     Under Wine with its D3DX9 the program loads d3dx9_43.dll and every D3DX
#     function it uses is the DLL's (WINEDEBUG=trace+d3dx shows each called
#     inside Wine's D3DX); with d3dx9_43=d, as on a Windows without the
#     DirectX runtime, the program still opens its window and neither loads
#     nor calls it, while the probe does not start at all, so that the golden
#     data can never be written from our own D3DX.
# Exit 77 (skipped) without the Windows build or the tools.
set -u
mode=${1:-} exe=${2:-} probe=${3:-}
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }
case "$mode" in
  imports) [ $# -eq 3 ] || { echo "usage: $0 imports <exe> <probe>"; exit 2; } ;;
  calls) [ $# -eq 4 ] || { echo "usage: $0 calls <exe> <probe> <work dir>"; exit 2; } ;;
  *) echo "usage: $0 imports|calls ..."; exit 2 ;;
esac
for program in "$exe" "$probe"; do
  [ -f "$program" ] || skip "no Windows build at $program (build the windows preset first)"
done

# The DLLs a Windows program imports, lower case, one a line.
imports() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]'
}

if [ "$mode" = imports ]; then
  command -v x86_64-w64-mingw32-objdump >/dev/null || skip "x86_64-w64-mingw32-objdump is not installed"
  program_imports=$(imports "$exe")
  probe_imports=$(imports "$probe")
  echo "$exe imports: $(tr '\n' ' ' <<<"$program_imports")"
  echo "$probe imports: $(tr '\n' ' ' <<<"$probe_imports")"
  grep -qx 'd3d9.dll' <<<"$program_imports" || fail "the program does not import d3d9.dll"
  ! grep -qx 'd3dx9_43.dll' <<<"$program_imports" || fail "the program imports d3dx9_43.dll"
  # Nor any other D3DX9 of the runtime's (d3dx9_24 to d3dx9_43).
  ! grep -q '^d3dx' <<<"$program_imports" || fail "the program imports a D3DX DLL"
  grep -qx 'd3dx9_43.dll' <<<"$probe_imports" || fail "the probe does not import d3dx9_43.dll"
  echo "imports as they should be"
  exit 0
fi

work=$4
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
[ -n "${WINEPREFIX:-}" ] || skip "no WINEPREFIX"
for tool in wine xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
source "$(dirname "$0")/../../../scripts/lib/xvfb.sh"
mkdir -p "$work"
with='mscoree,mshtml=' without='mscoree,mshtml=;d3dx9_43=d'

# Runs the program with WINEDLLOVERRIDES=$1 and the loader's and D3DX's
# traces, until its window has shown a few frames, and keeps in $2 the
# loader's lines about D3DX DLLs and the first trace of each D3DX function.
# The traces come by a FIFO through a filter, as the program calls D3DX many
# thousand times a frame; Wine's helper processes may keep the FIFO open, so
# the filter is stopped by its id.
traced_run() {
  local overrides=$1 log=$2 fifo=$work/trace.fifo
  rm -f "$fifo" "$log"
  mkfifo "$fifo"
  awk '/:loaddll:/ && tolower($0) ~ /d3dx/ { print; fflush(); next }
       match($0, /:trace:d3dx:[A-Za-z0-9_]+/) {
         f = substr($0, RSTART + 12, RLENGTH - 12)
         if (!(f in seen)) { seen[f] = 1; print; fflush() }
       }' <"$fifo" >"$log" &
  local filter=$!
  WINEDLLOVERRIDES=$overrides WINEDEBUG=+loaddll,trace+d3dx wine "$exe" 2>"$fifo" >/dev/null &
  local pid=$! window=
  for _ in $(seq 1 120); do
    window=$(latticegas_find_window 'Lattice gas simulation')
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  local shown=0
  if [ -n "$window" ]; then
    shown=1
    sleep 3
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key Escape 2>/dev/null
    for _ in $(seq 1 40); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.5
    done
  fi
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  sleep 0.5
  kill "$filter" 2>/dev/null
  wait "$filter" 2>/dev/null
  rm -f "$fifo"
  timeout 30 wineserver -w 2>/dev/null
  [ "$shown" -eq 1 ] || { echo "no window with WINEDLLOVERRIDES=$overrides"; return 1; }
}

# Every D3DX function the program calls.
functions='D3DXCreateSphere D3DXCreateCylinder D3DXMatrixTranslation D3DXMatrixScaling
  D3DXMatrixRotationX D3DXMatrixRotationZ D3DXMatrixMultiply D3DXMatrixPerspectiveFovLH
  D3DXMatrixLookAtLH'
status=0

traced_run "$with" "$work/with-d3dx.log" || fail "the program did not start with Wine's D3DX9"
grep -q 'Loaded L".*\\d3dx9_43\.dll"' "$work/with-d3dx.log" \
  || { echo "with Wine's D3DX9: d3dx9_43.dll was not loaded"; status=1; }
for f in $functions; do
  grep -q ":trace:d3dx:$f " "$work/with-d3dx.log" \
    || { echo "with Wine's D3DX9: $f was not called inside it"; status=1; }
done
# And the meshes drawn are the DLL's.
grep -q ':trace:d3dx:d3dx9_mesh_DrawSubset ' "$work/with-d3dx.log" \
  || { echo "with Wine's D3DX9: no mesh of its own was drawn"; status=1; }
echo "with Wine's D3DX9: loaded, and these called inside it:" \
  "$(sed -n 's/.*:trace:d3dx:\([A-Za-z0-9_]*\).*/\1/p' "$work/with-d3dx.log" | tr '\n' ' ')"

traced_run "$without" "$work/without-d3dx.log" || fail "the program did not start without D3DX9"
if grep -q 'd3dx9_43\.dll' "$work/without-d3dx.log"; then
  echo "without D3DX9: d3dx9_43.dll was loaded"
  status=1
fi
if grep -q ':trace:d3dx:' "$work/without-d3dx.log"; then
  echo "without D3DX9: D3DX calls were traced:"
  grep ':trace:d3dx:' "$work/without-d3dx.log" | head -5
  status=1
fi
[ "$status" -ne 0 ] || echo "without D3DX9: the window opened, nothing loaded or called"

# The probe imports the real D3DX itself and must not start without it.
rm -f "$work/probe-without-d3dx.txt"
probe_code=0
WINEDLLOVERRIDES=$without WINEDEBUG=-all timeout 60 wine "$probe" "$work/probe-without-d3dx.txt" \
  >"$work/probe-without-d3dx.log" 2>&1 || probe_code=$?
timeout 30 wineserver -w 2>/dev/null
if [ "$probe_code" -eq 0 ] || [ -s "$work/probe-without-d3dx.txt" ]; then
  echo "without D3DX9 the probe ran (exit code $probe_code) and could write our own numbers"
  status=1
else
  echo "without D3DX9 the probe did not start (exit code $probe_code)"
fi
[ "$status" -eq 0 ] || fail "the program's choice of D3DX9"
echo "D3DX9 used where it is installed, ours where it is not"
