#!/usr/bin/env bash
# kiv-assets makes only what is missing or what another build of it made, never touches a file of the
# user's, and says what it made. Usage: assets_test.sh KIV_BINARY KIV_ASSETS_TOOL
set -euo pipefail
assets=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
made() { grep -o "made $1/[a-z0-9]*\.[a-z0-9]*" "$2" | sed 's|.*/||' | sort | tr '\n' ' '; }

"$assets" "$work/show" >"$work/first.txt" || fail "first run failed"
[ "$(made "$work/show" "$work/first.txt")" = "img1.tif img2.tif img4.tif img5.tif music.mp3 " ] ||
  fail "a fresh folder did not get all five files: $(cat "$work/first.txt")"
cp -a "$work/show" "$work/fresh"

# Nothing to do the second time: no file rewritten.
touch -d '2001-01-01' "$work/show"/*
"$assets" "$work/show" >"$work/second.txt" || fail "second run failed"
[ -z "$(made "$work/show" "$work/second.txt")" ] || fail "second run made files: $(cat "$work/second.txt")"
[ -z "$(find "$work/show" -newermt '2001-01-02' -name '*.*' ! -name '.kiv-assets')" ] || fail "second run wrote files"

# The user's own picture and music stay, also when the generator changed; a removed file comes back; files
# the generator made are remade when it changed.
echo "my music" >"$work/show/music.mp3"
cp "$work/fresh/img1.tif" "$work/show/img2.tif"
rm "$work/show/img4.tif"
sed -i 's/^\(img5.tif [0-9a-f]*\) [0-9a-f]*$/\1 0000000000000000/' "$work/show/.kiv-assets"
"$assets" "$work/show" >"$work/third.txt" || fail "third run failed"
[ "$(made "$work/show" "$work/third.txt")" = "img4.tif img5.tif " ] || fail "third run: $(cat "$work/third.txt")"
[ "$(cat "$work/show/music.mp3")" = "my music" ] || fail "the user's music.mp3 was overwritten"
cmp -s "$work/show/img2.tif" "$work/fresh/img1.tif" || fail "the user's img2.tif was overwritten"
grep -q "keeping $work/show/img2.tif" "$work/third.txt" || fail "no word on keeping img2.tif: $(cat "$work/third.txt")"
grep -q "keeping $work/show/music.mp3" "$work/third.txt" || fail "no word on keeping music.mp3"
for f in img1.tif img4.tif img5.tif; do cmp -s "$work/show/$f" "$work/fresh/$f" || fail "$f differs"; done
[ -z "$(ls -A "$work/show" | grep -v -x -e img1.tif -e img2.tif -e img4.tif -e img5.tif -e music.mp3 -e .kiv-assets)" ] ||
  fail "left behind: $(ls -A "$work/show")"
echo "assets ok"
