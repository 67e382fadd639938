#!/usr/bin/env bash
# bench/levels/corpus.sh [kiv-levels options]: how the show hears the default music and a corpus of real
# recordings from Debian's game-music packages, read where the packages install them (never copied here).
# Tracks of packages that are not installed are left out, with a line on stderr. Install them with:
#   apt-get install wesnoth-1.16-music extremetuxracer-data frozen-bubble-data lincity-ng-data pingus-data \
#                   neverball-data warzone2100-music
# BUILD picks the build folder (default build). Example: bench/levels/corpus.sh --plot docs/levels.png
# With --files alone it only lists the corpus tracks that are installed, one a line (bench/flashes reads them).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
games=/usr/share/games
corpus=(
  "wesnoth-1.16-music    $games/wesnoth/1.16/data/core/music/northerners.ogg"
  "wesnoth-1.16-music    $games/wesnoth/1.16/data/core/music/elvish-theme.ogg"
  "extremetuxracer-data  $games/etr/music/spunkyrace-ks.ogg"
  "extremetuxracer-data  $games/etr/music/calmrace-ks.ogg"
  "frozen-bubble-data    $games/frozen-bubble/snd/frozen-mainzik-1p.ogg"
  "frozen-bubble-data    $games/frozen-bubble/snd/introzik.ogg"
  "lincity-ng-data       $games/lincity-ng/music/default/01 - pronobozo - lincity.ogg"
  "lincity-ng-data       $games/lincity-ng/music/default/02 - Robert van Herk - City Blues.ogg"
  "pingus-data           $games/pingus/data/music/goin_march.it"
  "neverball-common      $games/neverball/bgm/track4.ogg"
  "warzone2100-music     $games/warzone2100/music/albums/original_soundtrack/track1.opus"
  "warzone2100-music     $games/warzone2100/music/albums/aftermath_soundtrack/track17.opus"
)
installed=()
for entry in "${corpus[@]}"; do
  read -r package file <<<"$entry"
  if [ -r "$file" ]; then installed+=("$file"); else echo "corpus: $file missing (package $package)" >&2; fi
done
if [ "${1:-}" = --files ]; then
  printf '%s\n' "${installed[@]}"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/kiv-assets" "$work" >/dev/null
files=("$work/music.mp3" "${installed[@]}")
"$build/tools/levels/kiv-levels" "$@" "${files[@]}"
