#!/usr/bin/env bash
# bench/levels/shots.sh [MUSIC]: plays the show under a private Xvfb with MUSIC (default: the generated music)
# and takes twelve screenshots 0.25 s apart from 20 s and from 92 s of show time. Prints each one's mean
# brightness (0-1, ImageMagick's grey mean of the whole screen) and, per moment, the range and the spread
# (max - min) / mean: how much the picture moves with the music. BUILD picks the build folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
work=$(mktemp -d)
xvfb=""
kiv=""
cleanup() {
  [ -n "$kiv" ] && kill "$kiv" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/kiv-assets" "$work" >/dev/null
[ $# -ge 1 ] && cp "$1" "$work/music.mp3"  # kiv judges the format by content

exec 3> >(cat > "$work/display")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")

(cd "$work" && SDL_AUDIODRIVER=dummy exec "$build/kiv" -geometry 1024x768+0+0 2>/dev/null) &
kiv=$!
start=$(date +%s.%N)

at() {  # show seconds: sleeps until then
  sleep "$(awk -v t="$1" -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { d = t - (n - s); print (d > 0 ? d : 0) }')"
}

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
