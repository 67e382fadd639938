#!/usr/bin/env bash
# bench/flashes/flashes.sh [kiv-flashes options]: the whole show swept offscreen and measured for flashing with
# the default music, the generated stress music, the corpus of bench/levels/corpus.sh (the tracks installed),
# and the default music and corpus again 20 dB quieter and 12 dB hotter; one Markdown table on stdout. Options
# go to kiv-flashes (e.g. --fps 60, --size 1280x720, --plot flashes.png). BUILD picks the build folder (default
# build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/kiv-assets" "$work" >/dev/null
mapfile -t stress < <("$build/bench/flashes/kiv-flashes" --stress "$work")
mapfile -t corpus < <(bash "$root/bench/levels/corpus.sh" --files)
music=("$work/music.mp3" "${corpus[@]}")
"$build/bench/flashes/kiv-flashes" --show "$work" "$@" "$work/music.mp3" "${stress[@]}" "${corpus[@]}" \
  --gain -20 "${music[@]}" --gain 12 "${music[@]}"
