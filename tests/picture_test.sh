#!/usr/bin/env bash
# kiv-picture: PNG, JPEG (with its EXIF turn) and TIFF become a power-of-two RGBA TIFF that the show, which
# puts a picture's bottom row at the top, shows the right way up, cropped about its centre to the screen's
# shape. Usage: picture_test.sh KIV_BINARY KIV_ASSETS_TOOL KIV_PICTURE_TOOL
set -euo pipefail
picture=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# Mean colour of a region of the picture as the show puts it on a 4:3 window, as "r g b" in 0..255.
shown() {  # FILE GEOMETRY (of a 400x300 window)
  convert "$1" -flip -resize 400x300! -crop "$2" +repage -format "%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]" info:
}
near() {  # "r g b" "r g b": within 40 a channel
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x); split(b, y); for (i = 1; i <= 3; i++) if (x[i] - y[i] > 40 || y[i] - x[i] > 40) exit 1 }'
}
check() {  # OUT what-the-top-left-quarter-shows what-the-bottom-right-shows
  read -r w h channels depth < <(identify -format "%w %h %[channels] %z\n" "$1")
  [ "$w" = "$h" ] && [ $((w & (w - 1))) -eq 0 ] && [ "$w" -le 2048 ] || fail "$1 is ${w}x$h"
  [ "$channels" = srgba ] && [ "$depth" = 8 ] || fail "$1 is $channels, $depth bits"
  got=$(shown "$1" 180x130+10+10); near "$got" "$2" || fail "$1: top left shows $got, not $2"
  got=$(shown "$1" 180x130+210+160); near "$got" "$3" || fail "$1: bottom right shows $got, not $3"
}

# 1600 x 600: four quarters of colour inside 200-pixel green bars at both ends, which a 4:3 crop cuts off.
convert -size 600x300 xc:red -size 600x300 xc:blue +append \( -size 600x300 xc:yellow -size 600x300 xc:white +append \) \
        -append -bordercolor lime -border 200x0 quarters.png
convert quarters.png -quality 95 quarters.jpg
convert quarters.png -alpha on -type TrueColorAlpha -compress lzw quarters.tiff
for f in quarters.png quarters.jpg quarters.tiff; do
  "$picture" "$f" "$f.tif" >/dev/null || fail "$f refused"
  check "$f.tif" "255 0 0" "255 255 255"
  [ "$(convert "$f.tif" -flip -crop 8x600+0+0 -format "%[fx:int(255*mean.g - 255*mean.r)]" info:)" -lt 100 ] ||
    fail "$f: the green bar outside the 4:3 middle was kept"
done

# A camera's upright photo stored lying on its side, with the EXIF orientation 6 (turn it a quarter
# clockwise to show it) in an APP1 segment of its own, as cameras write it.
convert quarters.png -rotate -90 lying.jpg
{ printf '\xff\xd8\xff\xe1\x00\x22Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08\x00\x01'
  printf '\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00\x00\x00\x00\x00'
  tail -c +3 lying.jpg; } >turned.jpg
"$picture" turned.jpg turned.tif >/dev/null || fail "turned.jpg refused"
check turned.tif "255 0 0" "255 255 255"

# A 16:9 picture framed by green at its sides: for a 16:9 screen nothing is cut, for 4:3 the frame is.
convert -size 1720x1080 xc:red -bordercolor lime -border 100x0 wide.png
"$picture" wide.png wide.tif 16:9 >/dev/null
"$picture" wide.png narrow.tif >/dev/null
edge() { convert "$1" -flip -crop 4x64+0+100 -format "%[fx:int(255*mean.g - 255*mean.r)]" info:; }
[ "$(edge wide.tif)" -gt 200 ] && [ "$(edge narrow.tif)" -lt -200 ] || fail "16:9 cut: $(edge wide.tif) $(edge narrow.tif)"

# Wrong input is named with what it is; nothing is written.
convert -size 8x8 xc:red small.gif
if "$picture" small.gif gif.tif 2>err.txt; then fail "a GIF was taken"; fi
grep -q "small.gif: it looks like a GIF file" err.txt || fail "GIF refusal: $(cat err.txt)"
[ ! -e gif.tif ] || fail "a refused picture left a file"
head -c 100 quarters.jpg > cut.jpg
if "$picture" cut.jpg cut.tif 2>err.txt; then :; fi
grep -q "cut.jpg" err.txt || fail "a cut JPEG is not named: $(cat err.txt)"
echo "picture ok"
