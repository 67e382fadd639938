#!/usr/bin/env bash
# Plays the whole show under a private Xvfb, moving the pointer like a viewer would, and keeps a screenshot of
# each of its parts in docs/: show-NNN.png at full size in docs/shots/ and the strip docs/show-strip.png.
# Takes about 155 s. Needs the build (make build) and the packages of scripts/bootstrap.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
out=$root/docs
source "$root/scripts/private-show.sh"
play_show "$build"

sweep() {  # x0 y0 x1 y1: forty small pointer steps
  local cmd=(xdotool)
  for i in $(seq 0 40); do
    cmd+=(mousemove $(( $1 + ($3 - $1) * i / 40 )) $(( $2 + ($4 - $2) * i / 40 )))
  done
  "${cmd[@]}"
}
shot() {  # name
  xwd -root -silent | convert xwd:- "$work/$1.png"
}

mkdir -p "$out/shots"
moments=(
  "5   200 300 820 460  grid-lit-by-the-pointer"
  "20  150 600 880 200  light-rising-over-img1"
  "33  100 380 900 380  cells-falling"
  "47  300 200 700 560  light-spreading"
  "62  200 500 800 300  grid-filling"
  "92  120 200 900 600  grid-over-img5"
  "120 100 300 900 500  balls-lighting-the-grid"
  "148 0 0 0 0          closing-picture"
)
n=0
for m in "${moments[@]}"; do
  read -r t x0 y0 x1 y1 name <<<"$m"
  at "$(awk -v t="$t" 'BEGIN { print t - 1.2 }')"
  [ "$x1" -gt 0 ] && { sweep "$x0" "$y0" "$x1" "$y1"; sweep "$x1" "$y1" "$x0" "$y1"; }
  at "$t"
  n=$((n + 1))
  file=$(printf 'show-%d-%03ds-%s' "$n" "$t" "$name")
  shot "$file"
  convert "$work/$file.png" -resize 320x240 -colors 256 "PNG8:$out/shots/$file.png"
done
wait "$kiv" || true
kiv=""

montage "$out"/shots/show-*.png -tile 4x2 -geometry 240x180+2+2 -background black "$work/strip.png"
convert "$work/strip.png" -colors 256 "PNG8:$out/show-strip.png"
echo "wrote $out/show-strip.png"
