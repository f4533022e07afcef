#!/usr/bin/env bash
# Renders the committed PNG icons and the Windows .ico from lattice-gas.svg.
# Run after editing the SVG (needs librsvg2-bin and imagemagick); the outputs
# are committed so that builds need neither.
set -euo pipefail
cd "$(dirname "$0")"
sizes=(16 32 48 64 128 256)
pngs=()
for n in "${sizes[@]}"; do
  rsvg-convert -w "$n" -h "$n" lattice-gas.svg -o "lattice-gas-$n.png"
  pngs+=("lattice-gas-$n.png")
done
# -strip keeps the files free of time stamps, so that re-rendering an
# unchanged SVG changes no committed byte.
optimize() { convert "$1" -strip "PNG32:$1"; }
for p in "${pngs[@]}"; do optimize "$p"; done
convert "${pngs[@]}" lattice-gas.ico
