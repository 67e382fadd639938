#!/usr/bin/env bash
# bench/levels/shots.sh [MUSIC]: plays the show under a private Xvfb with MUSIC (default: the generated music)
# and takes twelve screenshots 0.25 s apart from 20 s and from 92 s of show time. Prints each one's mean
# brightness (0-1, ImageMagick's grey mean of the whole screen) and, per moment, the range and the spread
# (max - min) / mean: how much the picture moves with the music. BUILD picks the build folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
source "$root/scripts/private-show.sh"
play_show "$build" "$@"

for moment in 20 92; do
  for i in $(seq 0 11); do
    at "$(awk -v m="$moment" -v i="$i" 'BEGIN { print m + 0.25 * i }')"
    xwd -root -silent > "$work/$moment-$i.xwd"
  done
done
kill "$kiv" 2>/dev/null || true
kiv=""

for moment in 20 92; do
  for i in $(seq 0 11); do
    convert "xwd:$work/$moment-$i.xwd" -colorspace Gray -format '%[fx:mean]\n' info:
  done | awk -v m="$moment" '{ v[NR] = $1; s += $1; if (NR == 1 || $1 < lo) lo = $1; if (NR == 1 || $1 > hi) hi = $1 }
    END { printf "%3d s:", m; for (i = 1; i <= NR; i++) printf " %.3f", v[i];
          printf "\n       mean %.3f, min %.3f, max %.3f, spread %.0f%%\n", s / NR, lo, hi, 100 * (hi - lo) / (s / NR) }'
done
