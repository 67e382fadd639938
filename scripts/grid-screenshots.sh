#!/bin/bash
# Draws a hex grid in each mode (0 to 4) under a private Xvfb and writes docs/grid-mode0.png ... grid-mode4.png.
# Usage: scripts/grid-screenshots.sh [build-dir]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target hexdrawshow_gltest
"$build/tests/hexdrawshow_gltest" --gtest_also_run_disabled_tests --gtest_filter='HexDrawScreenshots.*'
ls -l "$root"/docs/grid-mode*.png
