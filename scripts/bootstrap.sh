#!/usr/bin/env bash
# Installs the Debian packages kiv needs to build, run and test. Installs only what is missing,
# so a second run is quick and needs no network.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libtiff-dev libpng-dev libjpeg62-turbo-dev
  libsdl2-dev libsdl2-mixer-dev libfftw3-dev libasound2-dev
  libmp3lame-dev libmpg123-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev libegl-dev libegl-mesa0
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-apps x11-utils imagemagick libx11-dev
  sox libsox-fmt-all valgrind gdb gnuplot-nox man-db procps time
  pulseaudio pulseaudio-utils libpulse-dev desktop-file-utils appstream librsvg2-bin
)

# One query for all: make run goes through here every time.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | awk '/ install ok installed$/ {print $1}' || true)
missing=()
for p in "${packages[@]}"; do
  [[ $'\n'"$installed"$'\n' == *$'\n'"$p"$'\n'* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "bootstrap: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
