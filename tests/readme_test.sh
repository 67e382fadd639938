#!/usr/bin/env bash
# The README's command for a machine without a display, taken from README.md itself, plays the show: so the
# README cannot drift from what works. Usage: readme_test.sh KIV_BINARY KIV_ASSETS_TOOL KIV_PICTURE_TOOL
set -euo pipefail
source "$(dirname "$0")/support/headless.sh"
build=$(dirname "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The first command in a code block of the section "Without a display" that runs xvfb-run.
line=$(awk '/^## /{s = /^## Without a display/} /^```/{code = !code; next} s && code && /xvfb-run/ {print; exit}' \
       "$source_dir/README.md")
[ -n "$line" ] || fail "README.md has no xvfb-run command under 'Without a display'"

# make run as the README has it, on this build, in a show folder of the test's own (the default show, with
# the stamp that tells kiv-assets it is its own, so nothing needs making).
cp -a "$(default_show "$build")" "$work/show"
export BUILD="$build" SHOW="$work/show"
unset MAKEFLAGS MFLAGS MAKELEVEL
cd "$source_dir"
run_briefly 120 "$line" || fail "the README's headless command did not play the show"
echo "readme ok"
