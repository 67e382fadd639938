#!/usr/bin/env bash
# The default pictures: four 8-bit RGBA TIFFs of a power-of-two size, the same bytes on every run,
# and colourful where the show needs colour. Usage: pictures_test.sh KIV_BINARY KIV_ASSETS_TOOL
set -euo pipefail
assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/a"
# The tool also writes the music, which is not under test here.
"$assets" "$work/a" >/dev/null 2>"$work/a.log" || true
grep -i "img\|picture\|tif" "$work/a.log" && fail "the tool complained about pictures"
# Another run to compare with: the build's default show, which CTest makes once for all; else one here.
other=${KIV_DEFAULT_SHOW:-$work/b}
[ -n "${KIV_DEFAULT_SHOW:-}" ] || { mkdir "$work/b" && "$assets" "$work/b" >/dev/null 2>&1 || true; }

for name in img1 img2 img4 img5; do
  file="$work/a/$name.tif"
  [ -s "$file" ] || fail "$name.tif not written"
  cmp -s "$file" "$other/$name.tif" || fail "$name.tif differs between runs"
  read -r w h channels depth < <(identify -format "%w %h %[channels] %z\n" "$file")
  [ "$channels" = srgba ] && [ "$depth" = 8 ] || fail "$name.tif is $channels, $depth bits"
  [ "$w" = "$h" ] && [ $((w & (w - 1))) -eq 0 ] && [ "$w" -ge 512 ] || fail "$name.tif is ${w}x$h"
  opaque=$(convert "$file" -alpha extract -format "%[fx:minima]" info:)
  [ "$opaque" = 1 ] || fail "$name.tif has transparent pixels"
done

# img1 is seen through every grid: strongly coloured all over, with structure at the scale of a few cells.
saturation=$(convert "$work/a/img1.tif" -colorspace HSL -channel G -separate -format "%[fx:mean]" info:)
awk -v s="$saturation" 'BEGIN { exit !(s > 0.6) }' || fail "img1 is not colourful (mean saturation $saturation)"
# Seen at the grid's 64 x 48 cells, neighbouring panes differ: much of the colour is lost when the same
# picture is averaged over blocks of 8 x 8 cells (the tunnel backdrop, for comparison, scores about 0.1).
detail=$(convert "$work/a/img1.tif" -alpha off -resize 64x48! \( +clone -resize 8x6! -resize 64x48! \) \
         -compose difference -composite -format "%[fx:mean]" info:)
awk -v d="$detail" 'BEGIN { exit !(d > 0.14) }' || fail "img1 has little structure at the scale of a few cells ($detail)"

# The closing card is dark round a bright emblem; the show draws it upside down, so the emblem sits
# above the middle of the window and the file's lower half is the brighter.
top=$(convert "$work/a/img4.tif" -gravity north -crop 100%x40%+0+0 -colorspace gray -format "%[fx:mean]" info:)
bottom=$(convert "$work/a/img4.tif" -gravity south -crop 100%x40%+0+0 -colorspace gray -format "%[fx:mean]" info:)
awk -v t="$top" -v b="$bottom" 'BEGIN { exit !(b > t) }' || fail "img4 is not upside down for the show ($top, $bottom)"
echo "pictures ok"
