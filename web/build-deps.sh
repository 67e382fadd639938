#!/usr/bin/env bash
# Builds the C libraries of the browser build with emcc from Debian's source packages: FFTW (single
# precision) and libtiff, installed into DEPS/prefix. Each is fetched and built once; a library whose stamp is
# there is left alone, so later builds need neither the network nor the time (FFTW takes minutes).
# DEPS defaults to the build folder's web-deps; KIV_WEB_DEPS may put it outside the clone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deps=$(mkdir -p "$1" && cd "$1" && pwd)
jobs=${JOBS:-2}
prefix=$deps/prefix
# emscripten 3.1.6 runs configure's test programs under node, whose built-in fetch cannot load a wasm file
# by path.
export NODE_OPTIONS=--no-experimental-fetch
[ -d /usr/share/nodejs ] && export NODE_PATH=/usr/share/nodejs

# The project's own sources list and lists folder: apt-get source without touching the system's.
apt_private=(-o Dir::Etc::SourceList="$here/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o Dir::State::Lists="$deps/apt/lists" -o Dir::Cache="$deps/apt/cache" -o APT::Sandbox::User=root -qq)
fetched=0
fetch() {
  local package=$1
  if [ $fetched = 0 ]; then
    mkdir -p "$deps/apt/lists/partial" "$deps/apt/cache"
    apt-get "${apt_private[@]}" update
    fetched=1
  fi
  rm -rf "$deps/src/$package" && mkdir -p "$deps/src/$package"
  # The security archive's newest, else the release's: a mirror may list a security update's source and not
  # serve it.
  (cd "$deps/src/$package" &&
     { apt-get "${apt_private[@]}" source --download-only "$package" >/dev/null 2>&1 ||
       apt-get "${apt_private[@]}" source --download-only "$package/bookworm" >/dev/null; } &&
     dpkg-source --no-check -x "$(ls -t ./*.dsc | head -n 1)" tree >/dev/null)
}

build_fftw() {
  fetch fftw3
  cd "$deps/src/fftw3/tree"
  emconfigure ./configure --prefix="$prefix" --enable-float --disable-fortran --disable-shared \
    --disable-doc CFLAGS=-O2 >"$deps/fftw.log" 2>&1
  emmake make -j"$jobs" >>"$deps/fftw.log" 2>&1
  emmake make install >>"$deps/fftw.log" 2>&1
}

build_tiff() {
  fetch tiff
  cd "$deps/src/tiff/tree"
  # autogen.sh would download config.guess; autoreconf takes the installed one.
  autoreconf -fi >"$deps/tiff.log" 2>&1
  # The show's pictures are uncompressed or LZW, both built in; no codec needs a library of its own.
  emconfigure ./configure --prefix="$prefix" --disable-shared --disable-cxx --disable-jpeg --disable-old-jpeg \
    --disable-jbig --disable-lerc --disable-zlib --disable-libdeflate --disable-pixarlog --disable-lzma \
    --disable-zstd --disable-webp --disable-tools --disable-tests --disable-contrib --disable-docs \
    CFLAGS=-O2 >>"$deps/tiff.log" 2>&1
  emmake make -j"$jobs" >>"$deps/tiff.log" 2>&1
  emmake make install >>"$deps/tiff.log" 2>&1
}

for lib in fftw tiff; do
  stamp=$prefix/.built-$lib
  [ -f "$stamp" ] && continue
  echo "web: building $lib with emcc from Debian's source package (once; log in $deps/$lib.log)"
  start=$SECONDS
  if ! "build_$lib"; then
    echo "web: building $lib failed; the end of $deps/$lib.log:" >&2
    tail -n 20 "$deps/$lib.log" >&2
    exit 1
  fi
  touch "$stamp"
  echo "web: $lib built in $((SECONDS - start)) s"
done
