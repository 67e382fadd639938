#!/usr/bin/env bash
# Installs what the browser build needs, on top of bootstrap.sh's packages: Debian's emscripten and, with
# --test, Debian's chromium and the browser test's npm packages. Only what is missing; a second run needs no
# network. Kept apart from bootstrap.sh so that `make run` never pulls in 800 MB of compiler.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(emscripten autoconf automake libtool dpkg-dev)
with_tests=0
[ "${1:-}" = --test ] && with_tests=1
[ $with_tests = 1 ] && packages+=(chromium)

installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | awk '/ install ok installed$/ {print $1}' || true)
missing=()
for p in "${packages[@]}"; do
  [[ $'\n'"$installed"$'\n' == *$'\n'"$p"$'\n'* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap-web: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "bootstrap-web: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ $with_tests = 1 ] && [ ! -d "$here/web/test/node_modules/puppeteer-core" ]; then
  command -v npm >/dev/null || { echo "bootstrap-web: npm is missing" >&2; exit 1; }
  # No browser download: the test drives Debian's chromium.
  (cd "$here/web/test" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
fi
exit 0
