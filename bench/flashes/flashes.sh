#!/usr/bin/env bash
# bench/flashes/flashes.sh [kiv-flashes options]: the whole show swept offscreen and measured for flashing, as
# Markdown tables on stdout. With the show's own pictures: the default music, the generated stress music, the
# corpus of bench/levels/corpus.sh (the tracks installed), and the default music and corpus again 20 dB quieter
# and 12 dB hotter. With each other picture set of bench/flashes/pictures.sh (wallpapers, light photos, bright
# middles, white, grey): the default music, the stress music and the three corpus tracks that flashed most
# before the guard. Options go to kiv-flashes (e.g. --fps 60, --size 1280x720, --plot flashes.png). BUILD picks
# the build folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t sets < <(BUILD="$build" bash "$root/bench/flashes/pictures.sh" "$work/pictures")
default=${sets[0]}
mapfile -t stress < <("$build/bench/flashes/kiv-flashes" --stress "$work")
mapfile -t corpus < <(bash "$root/bench/levels/corpus.sh" --files)
music=("$default/music.mp3" "${corpus[@]}")
"$build/bench/flashes/kiv-flashes" --show "$default" "$@" "$default/music.mp3" "${stress[@]}" "${corpus[@]}" \
  --gain -20 "${music[@]}" --gain 12 "${music[@]}"

worst=()
for c in "${corpus[@]}"; do
  case $c in */goin_march.it | */introzik.ogg | *lincity.ogg) worst+=("$c") ;; esac
done
others=()
for s in "${sets[@]:1}"; do others+=(--show "$s"); done
echo
"$build/bench/flashes/kiv-flashes" "${others[@]}" "$@" "$default/music.mp3" "${stress[@]}" "${worst[@]}"
