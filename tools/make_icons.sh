#!/bin/sh
# Renders the icon dist/zelto.svg as the PNGs desktops use at fixed sizes:
# OUT_DIR/zelto_48.png, _64, _128 and _256 (OUT_DIR: dist/icons unless given),
# and the 48 px one as raw RGBA bytes, zelto_48.rgba, which the build puts on
# the game's window. Needs rsvg-convert (Debian: librsvg2-bin) and ImageMagick.
set -e
cd "$(dirname "$0")/.."
out=${1:-dist/icons}
mkdir -p "$out"
for size in 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --output "$out/zelto_$size.png" dist/zelto.svg
done
/usr/bin/convert "$out/zelto_48.png" -depth 8 "RGBA:$out/zelto_48.rgba"
