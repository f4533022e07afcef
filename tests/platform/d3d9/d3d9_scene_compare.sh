#!/usr/bin/env bash
# Draws the probe scene with the OpenGL stand-in and with Direct3D 9 under
# Wine on the same X display, photographs both windows and compares them.
#   d3d9_scene_compare.sh <native probe> <probe .exe> <work dir>
# Passes when at least 97% of pixels agree within 16 levels in every channel
# and the black background lies in the same place (at most 1% of pixels are
# background in one picture only), and at least 70% of the pixels covered by
# objects agree (the background alone is most of the picture). Exit 77 (skipped) without the .exe, a
# display or a Wine prefix.
set -u
native=$1 exe=$2 work=$3
min_agree=${LATTICEGAS_SCENE_MIN_AGREE:-0.97}
max_bg_mismatch=0.01
min_object_agree=0.7

skip() { echo "SKIPPED: $*"; exit 77; }
[ -f "$exe" ] || skip "no Windows build of the probe at $exe (build the windows preset first)"
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
[ -n "${WINEPREFIX:-}" ] || skip "no WINEPREFIX"
for tool in wine xdotool import convert; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
export WINEDEBUG=-all
source "$(dirname "$0")/../../../scripts/lib/xvfb.sh"

mkdir -p "$work"
rm -f "$work"/*.png
title='D3D9 scene probe'

# Runs a probe, waits (bounded) for its window and a few frames, photographs
# it, then closes it with Escape and, if it lingers, kills it.
shoot() {
  local out=$1
  shift
  "$@" >"$work/$(basename "$out" .png).log" 2>&1 &
  local pid=$! id=
  for _ in $(seq 1 120); do
    id=$(latticegas_find_window "$title")
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  if [ -z "$id" ]; then
    echo "no window from: $*"
    kill -9 "$pid" 2>/dev/null
    return 1
  fi
  sleep 3
  latticegas_window_shot "$id" "$out"
  local shot=$?
  xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key Escape 2>/dev/null
  for _ in $(seq 1 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $shot
}

shoot "$work/opengl.png" "$native" || exit 1
shoot "$work/d3d9.png" wine "$exe" || exit 1

# Both windows show the 1024x768 back buffer stretched onto their client
# area; bring both back to that size before comparing.
for name in opengl d3d9; do
  echo "$name window: $(identify -format '%wx%h' "$work/$name.png")"
  convert "$work/$name.png" -resize '1024x768!' -alpha off "$work/$name-1024.png"
  # Largest channel per pixel, for the background mask.
  convert "$work/$name-1024.png" -separate -evaluate-sequence Max "$work/$name-max.png"
done
convert "$work/opengl-1024.png" "$work/d3d9-1024.png" -compose difference -composite \
  -separate -evaluate-sequence Max "$work/diff.png"
# Pixels whose worst channel differs by 17 levels or more.
over=$(convert "$work/diff.png" -threshold 6.5% -format '%[fx:mean]' info:)
agree=$(awk -v o="$over" 'BEGIN { printf "%.4f", 1 - o }')
# Pixels that are background (every channel below 8 levels) in one picture only.
convert "$work/opengl-max.png" -threshold 3% "$work/opengl-fg.png"
convert "$work/d3d9-max.png" -threshold 3% "$work/d3d9-fg.png"
bg=$(convert "$work/opengl-fg.png" "$work/d3d9-fg.png" -compose difference -composite \
  -format '%[fx:mean]' info:)
fg=$(convert "$work/d3d9-fg.png" -format '%[fx:mean]' info:)
# The same agreement counted over the objects only (either picture).
convert "$work/opengl-fg.png" "$work/d3d9-fg.png" -compose lighten -composite "$work/fg-union.png"
convert "$work/diff.png" -threshold 6.5% "$work/over.png"
fg_agree=$(convert "$work/over.png" "$work/fg-union.png" -compose multiply -composite \
  "$work/fg-union.png" -format '%[fx:mean]\n' info: | awk 'NR == 1 { o = $1 } NR == 2 { u = $1 }
  END { printf "%.4f", (u > 0 ? 1 - o / u : 0) }')
echo "pixels within 16 levels: $agree (need $min_agree); over the objects only: $fg_agree"
echo "objects: need $min_object_agree"
echo "background in one picture only: $bg (allowed $max_bg_mismatch); foreground share: $fg"
awk -v a="$agree" -v m="$min_agree" -v b="$bg" -v mb="$max_bg_mismatch" -v f="$fg" \
  -v o="$fg_agree" -v mo="$min_object_agree" \
  'BEGIN { exit !(a >= m && b <= mb && f > 0.02 && o >= mo) }' || { echo "FAILED: pictures differ"; exit 1; }
echo "pictures agree"
