#!/usr/bin/env bash
# Regenerates overlay/bitmap_fonts_data.cpp from the freeglut bitmap fonts.
# Uses the X display in DISPLAY, or a private Xvfb when there is none.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/xvfb.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
[ -n "${DISPLAY:-}" ] || xvfb_start
c++ -std=c++20 -O1 -Wall -Wextra -I"$root" "$root/tools/gl/make_bitmap_fonts_gl.cpp" \
    -o "$tmp/make_bitmap_fonts" -lglut -lGL
"$tmp/make_bitmap_fonts" "$root/overlay/bitmap_fonts_data.cpp"
echo "wrote $root/overlay/bitmap_fonts_data.cpp"
