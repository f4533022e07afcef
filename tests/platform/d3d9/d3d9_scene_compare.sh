#!/usr/bin/env bash
# Draws one scene twice on the same X display, photographs both windows and
# compares them.
#   d3d9_scene_compare.sh [options] <work dir> <first> <second>
# <first> and <second> each say how to run a program:
#   native:<program>           as it is: the OpenGL stand-in
#   wine:<program.exe>         Direct3D 9 under Wine, with Wine's D3DX9
#   wine-nod3dx:<program.exe>  the same with Wine's D3DX9 switched off, as on a
#                              Windows without the DirectX runtime
# Options:
#   --title=T               the window to photograph (default: the scene probe's)
#   --min-agree=F           share of pixels that must agree within 16 levels in
#                           every channel (default 0.97)
#   --min-object-agree=F    the same share over the pixels covered by objects
#                           in either picture (default 0.7; the background
#                           alone is most of the picture)
# Passes when both shares are met and the black background lies in the same
# place (at most 1% of pixels are background in one picture only). Exit 77
# (skipped) without a program, a display or a Wine prefix.
set -u
title='D3D9 scene probe'
min_agree=0.97
min_object_agree=0.7
max_bg_mismatch=0.01
while [ $# -gt 0 ]; do
  case "$1" in
    --title=*) title=${1#*=} ;;
    --min-agree=*) min_agree=${1#*=} ;;
    --min-object-agree=*) min_object_agree=${1#*=} ;;
    --*) echo "unknown option $1"; exit 2 ;;
    *) break ;;
  esac
  shift
done
[ $# -eq 3 ] || { echo "usage: $0 [options] <work dir> <first> <second>"; exit 2; }
work=$1 first=$2 second=$3

skip() { echo "SKIPPED: $*"; exit 77; }
[ -n "${DISPLAY:-}" ] || skip "no DISPLAY"
for tool in xdotool import convert; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
for side in "$first" "$second"; do
  how=${side%%:*} program=${side#*:}
  case "$how" in
    native) [ -x "$program" ] || skip "no program at $program" ;;
    wine | wine-nod3dx)
      [ -f "$program" ] || skip "no Windows build at $program (build the windows preset first)"
      [ -n "${WINEPREFIX:-}" ] || skip "no WINEPREFIX"
      command -v wine >/dev/null || skip "wine is not installed" ;;
    *) echo "unknown way to run a program: $side"; exit 2 ;;
  esac
done
export WINEDEBUG=-all
source "$(dirname "$0")/../../../scripts/lib/xvfb.sh"

# The picture's name for a way to run a program.
picture() {
  case "$1" in
    native) echo opengl ;;
    wine) echo d3d9 ;;
    wine-nod3dx) echo d3d9-own-d3dx ;;
  esac
}
# Runs a program the way <first> or <second> says, in place of this shell
# (started in the background, its process id is the program's), with the
# whole DLL overrides of scripts/test's Wine prefix either way.
run_side() {
  local how=${1%%:*} program=${1#*:}
  case "$how" in
    native) exec "$program" ;;
    wine) WINEDLLOVERRIDES='mscoree,mshtml=' exec wine "$program" ;;
    wine-nod3dx) WINEDLLOVERRIDES='mscoree,mshtml=;d3dx9_43=d' exec wine "$program" ;;
  esac
}
a=$(picture "${first%%:*}") b=$(picture "${second%%:*}")
[ "$a" != "$b" ] || { echo "both pictures would be $a: compare two different ways"; exit 2; }
mkdir -p "$work"
rm -f "$work"/*.png

# Runs a program (<first> or <second>), waits (bounded) for its window and a
# few frames, photographs it, then closes it with Escape and, if it lingers,
# kills it.
shoot() {
  local out=$1 side=$2
  run_side "$side" >"$work/$(basename "$out" .png).log" 2>&1 &
  local pid=$! id=
  for _ in $(seq 1 120); do
    id=$(latticegas_find_window "$title")
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  if [ -z "$id" ]; then
    echo "no window from: $side"
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

shoot "$work/$a.png" "$first" || exit 1
shoot "$work/$b.png" "$second" || exit 1

# Both windows show the 1024x768 back buffer stretched onto their client
# area; bring both back to that size before comparing.
for name in "$a" "$b"; do
  echo "$name window: $(identify -format '%wx%h' "$work/$name.png")"
  convert "$work/$name.png" -resize '1024x768!' -alpha off "$work/$name-1024.png"
  # Largest channel per pixel, for the background mask.
  convert "$work/$name-1024.png" -separate -evaluate-sequence Max "$work/$name-max.png"
done
convert "$work/$a-1024.png" "$work/$b-1024.png" -compose difference -composite \
  -separate -evaluate-sequence Max "$work/diff.png"
# Pixels whose worst channel differs by 17 levels or more.
over=$(convert "$work/diff.png" -threshold 6.5% -format '%[fx:mean]' info:)
agree=$(awk -v o="$over" 'BEGIN { printf "%.4f", 1 - o }')
# Pixels that are background (every channel below 8 levels) in one picture only.
convert "$work/$a-max.png" -threshold 3% "$work/$a-fg.png"
convert "$work/$b-max.png" -threshold 3% "$work/$b-fg.png"
bg=$(convert "$work/$a-fg.png" "$work/$b-fg.png" -compose difference -composite \
  -format '%[fx:mean]' info:)
fg=$(convert "$work/$b-fg.png" -format '%[fx:mean]' info:)
# The same agreement counted over the objects only (either picture).
convert "$work/$a-fg.png" "$work/$b-fg.png" -compose lighten -composite "$work/fg-union.png"
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
