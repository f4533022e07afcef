#!/usr/bin/env bash
# The shipped program carries no test seam: no headless Direct3D, no call log,
# no hook, counter or switch that only tests use. Each build is looked at with
# the tools it allows, and each look has its positive control, so that a look
# that sees nothing cannot pass:
#   native   nm -C of the program; the same pattern must find the seams in a
#            test program that links them
#   windows  x86_64-w64-mingw32-nm of the .exe, which must list WinMain
#   web      the strings of the .wasm (it keeps no function names), which must
#            hold the window title
# The Windows and web builds are looked at when they are there.
#   no_test_seams.sh PROGRAM TEST_PROGRAM WINDOWS_EXE WEB_WASM
set -euo pipefail
program=$1 test_program=$2 windows_exe=$3 web_wasm=$4

# Names and texts that only the test support has.
seams='headless|call_?log|testing|RecordCalls|PresentHook|DeviceCreatedHook|DeviceCounters|SetDeviceOptions|ReadBackBuffer|PeekMessageA -> '
failed=0

look() {  # look WHAT LISTING CONTROL_PATTERN
  local what=$1 listing=$2 control=$3 found
  if ! grep -q -E -- "$control" <<<"$listing"; then
    echo "FAIL: $what: the control '$control' is not in the listing, so the look proves nothing"
    failed=1
    return
  fi
  found=$(grep -i -E -- "$seams" <<<"$listing" | head -n 5 || true)
  if [ -n "$found" ]; then
    echo "FAIL: $what carries test seams:"
    echo "$found" | sed 's/^/  /'
    failed=1
  else
    echo "ok: $what carries no test seam"
  fi
}

control_listing=$(nm -C "$test_program")
if grep -q -i -E -- "$seams" <<<"$control_listing"; then
  echo "ok: the pattern finds the seams in $(basename "$test_program")"
else
  echo "FAIL: the pattern finds no seam even in $(basename "$test_program"), which links them"
  failed=1
fi
look "the native program" "$(nm -C "$program")" ' T (main|WinMain)$'

if [ -f "$windows_exe" ] && command -v x86_64-w64-mingw32-nm >/dev/null; then
  look "the Windows program" "$(x86_64-w64-mingw32-nm -C "$windows_exe")" ' T WinMain$'
else
  echo "not looked at: no Windows build at $windows_exe"
fi
if [ -f "$web_wasm" ]; then
  look "the web program" "$(strings -n 6 "$web_wasm")" 'Lattice gas simulation'
else
  echo "not looked at: no web build at $web_wasm"
fi
exit "$failed"
