#!/usr/bin/env bash
# bench/flashes/pictures.sh DIR: picture sets to sweep the show with, each a folder of DIR holding img1, img2,
# img4 and img5.tif as kiv-picture prepares them; prints the folders, one a line. Besides the show's own:
#   wallpapers  light desktop wallpapers from Debian's gnome-backgrounds (mean relative luminance 0.28 to 0.47),
#               read where the package installs them (never copied here); left out when it is not installed
#   light       made-up snow, beach and sand photos (0.74 to 0.85): plasma fractals, fixed seeds
#   middles     a white middle fading to black edges (0.15 on the whole, 1 in the middle): what a zoom finds
#   white       a white picture
#   grey        a mid-grey one (sRGB 50 %)
# Needs ImageMagick's convert. BUILD picks the build folder (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
case ${1:-} in
  -h | --help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
  '' | -*) echo "usage: pictures.sh DIR" >&2; exit 2 ;;
esac
out=$1
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# set NAME IMG1 IMG2 IMG5 IMG4: prepares the four pictures of a set from picture files.
set_of() {
  local name=$1 i=0
  mkdir -p "$out/$name"
  shift
  for slot in img1 img2 img5 img4; do
    i=$((i + 1))
    "$build/tools/kiv-picture" "${!i}" "$out/$name/$slot.tif" >/dev/null
  done
  echo "$out/$name"
}

"$build/tools/kiv-assets" "$out/default" >/dev/null
echo "$out/default"

gnome=/usr/share/backgrounds/gnome
if [ -r "$gnome/dune-l.svg" ]; then
  for w in dune-l.svg pixels-l.webp licorice-l.webp adwaita-l.webp; do
    convert "$gnome/$w" -resize 1024x768^ "$work/${w%.*}.png"
  done
  set_of wallpapers "$work/dune-l.png" "$work/pixels-l.png" "$work/licorice-l.png" "$work/adwaita-l.png"
else
  echo "pictures: the wallpapers are left out (apt-get install gnome-backgrounds)" >&2
fi

convert -size 1024x768 -seed 7 plasma:white-lightblue -blur 0x1 "$work/snow.png"
convert -size 1024x768 -seed 11 plasma:lightyellow-white "$work/beach.png"
convert -size 1024x768 -seed 5 plasma:wheat-skyblue -modulate 112 "$work/sand.png"
set_of light "$work/beach.png" "$work/snow.png" "$work/sand.png" "$work/snow.png"

convert -size 1024x768 radial-gradient:white-black "$work/middle.png"
set_of middles "$work/middle.png" "$work/middle.png" "$work/middle.png" "$work/middle.png"

convert -size 1024x768 xc:white "$work/white.png"
set_of white "$work/white.png" "$work/white.png" "$work/white.png" "$work/white.png"

convert -size 1024x768 xc:gray50 "$work/grey.png"
set_of grey "$work/grey.png" "$work/grey.png" "$work/grey.png" "$work/grey.png"
