#!/usr/bin/env bash
# The Debian package: CPack makes it, apt-get installs it with its dependencies and its desktop entries, icon
# and metainfo, the installed launcher plays the show headless, and the package is removed again. Installing into the system is done only where
# CI=true and as root (CI's machine of its own); elsewhere the test says so and is skipped.
# Usage: deb_test.sh KIV_BINARY KIV_ASSETS_TOOL KIV_PICTURE_TOOL
set -euo pipefail
source "$(dirname "$0")/support/headless.sh"
if [ "${CI:-}" != true ] || [ "$(id -u)" -ne 0 ]; then
  echo "deb_test skipped: it installs the package into the system, so it runs only as root with CI=true"
  exit 77
fi
build=$(dirname "$1")
work=$(mktemp -d)
export DEBIAN_FRONTEND=noninteractive
remove() { if dpkg -s kiv >/dev/null 2>&1; then apt-get remove -y -qq kiv >/dev/null; fi; }
trap 'stop_xvfb; remove; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

remove  # a package left by an interrupted run would be taken as already installed
cd "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/kiv_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-mixer libtiff libfftw3 libglut libpng16 libjpeg62-turbo; do
  [[ "$depends" == *"$lib"* ]] || fail "the package does not depend on $lib: $depends"
done
apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || fail "apt-get install: $(cat "$work/apt.log")"
[ -x /usr/bin/kiv-show ] && [ -s /usr/share/kiv/show/music.mp3 ] || fail "the package did not install the show"
desktop-file-validate /usr/share/applications/kiv.desktop /usr/share/applications/kiv-listening.desktop ||
  fail "the package's desktop entries are missing or do not validate"
[ -s /usr/share/icons/hicolor/scalable/apps/kiv.svg ] || fail "the package did not install the icon"
appstreamcli validate --no-net /usr/share/metainfo/invalid.kiv.kiv.metainfo.xml >/dev/null ||
  fail "the package's metainfo does not validate"
start_xvfb 640x480x24 || fail "no display to play the show on"
run_briefly 60 "SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 kiv-show -geometry 640x480+0+0" ||
  fail "the packaged kiv-show did not play"
remove
[ ! -e /usr/bin/kiv ] || fail "removing the package left /usr/bin/kiv"
echo "deb ok"
