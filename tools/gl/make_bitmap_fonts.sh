#!/bin/sh
# Regenerates overlay/bitmap_fonts_data.cpp from the freeglut bitmap fonts.
# Needs an X display: e.g. `Xvfb :90 -noreset & DISPLAY=:90 tools/gl/make_bitmap_fonts.sh`.
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
c++ -std=c++20 -O1 -Wall -Wextra -I"$root" "$root/tools/gl/make_bitmap_fonts_gl.cpp" \
    -o "$tmp/make_bitmap_fonts" -lglut -lGL
"$tmp/make_bitmap_fonts" "$root/overlay/bitmap_fonts_data.cpp"
echo "wrote $root/overlay/bitmap_fonts_data.cpp"
