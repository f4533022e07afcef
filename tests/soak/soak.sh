#!/usr/bin/env bash
# Soak of the AddressSanitizer build on the X display in DISPLAY (scripts/test
# exports one): tests/soak/soak.sh [PROGRAM] [--inputs N] [--seed S]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program="$here/../../build/asan/app/lattice-gas"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then program=$1; shift; fi
[ -x "$program" ] || { echo "soak: no program at $program (build the asan preset)" >&2; exit 1; }
exec timeout --kill-after=10 660 python3 "$here/soak.py" "$program" "$@"
