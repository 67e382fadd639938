#!/usr/bin/env bash
# cmake --install into a temporary DESTDIR puts the programs, the man page, the default show and its
# launcher, the desktop entries, their icon and the AppStream metainfo in place; the entries and metainfo
# validate, and the installed launcher plays the show headless, as itself and as the listening entry starts it.
# Usage: install_test.sh KIV_BINARY KIV_ASSETS_TOOL KIV_PICTURE_TOOL
set -euo pipefail
source "$(dirname "$0")/support/headless.sh"
build=$(dirname "$1")
work=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix /opt/kiv >"$work/install.log" 2>&1 ||
  fail "install failed: $(cat "$work/install.log")"
root="$work/root/opt/kiv"
for f in bin/kiv bin/kiv-assets bin/kiv-picture bin/kiv-flashcheck bin/kiv-show; do [ -x "$root/$f" ] || fail "$f not installed"; done
for f in img1.tif img2.tif img4.tif img5.tif music.mp3; do
  cmp -s "$root/share/kiv/show/$f" "$build/default-show/$f" || fail "share/kiv/show/$f is not the default"
done
[ "$(ls -A "$root/share/kiv/show" | wc -l)" = 5 ] || fail "share/kiv/show holds more: $(ls -A "$root/share/kiv/show")"
man_warnings=$(man --warnings -E UTF-8 -l "$root/share/man/man6/kiv.6" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "kiv(6): $man_warnings"
man -E UTF-8 -l "$root/share/man/man6/kiv.6" 2>/dev/null | grep -q "EXIT STATUS" || fail "kiv(6) does not render"

apps="$root/share/applications"
for f in "$apps/kiv.desktop" "$apps/kiv-listening.desktop" "$root/share/metainfo/invalid.kiv.kiv.metainfo.xml"; do
  [ -s "$f" ] || fail "${f#$root/} not installed"
done
desktop-file-validate "$apps/kiv.desktop" "$apps/kiv-listening.desktop" || fail "a desktop entry does not validate"
appstreamcli validate --no-net "$root/share/metainfo/invalid.kiv.kiv.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  fail "the metainfo does not validate: $(cat "$work/appstream.log")"
icon="$root/share/icons/hicolor/scalable/apps/kiv.svg"
rsvg-convert -w 48 "$icon" -o "$work/icon.png" || fail "the icon does not render"
[ "$(identify -format '%w %h' "$work/icon.png")" = "48 48" ] || fail "the icon is not square"

# From anywhere: the launcher finds the show relative to itself.
cd "$work"
start_xvfb 640x480x24 || fail "no display to play the show on"
run_briefly 60 "SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 '$root/bin/kiv-show' -geometry 640x480+0+0" ||
  fail "the installed kiv-show did not play"
# The listening entry's own command line, with the installed launcher: the variable reaches kiv, which listens
# (here to the disk driver's capture file) and opens no music.
listening=$(sed -n 's/^Exec=//p' "$apps/kiv-listening.desktop")
[[ "$listening" == *"KIV_LISTEN=1"* ]] || fail "the listening entry does not ask to listen: $listening"
launcher="'$root/bin/kiv-show' -geometry 640x480+0+0"
run_briefly 60 "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILEIN=/dev/zero LP_NUM_THREADS=0 ${listening/kiv-show/$launcher}" ||
  fail "the listening entry did not play"
echo "install ok"
