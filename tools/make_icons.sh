#!/bin/sh
# Renders the icon dist/zelto.svg as the PNGs desktops use at fixed sizes:
# OUT_DIR/zelto_48.png, _64, _128 and _256 (OUT_DIR: dist/icons unless given).
# Needs rsvg-convert (Debian: librsvg2-bin).
set -e
cd "$(dirname "$0")/.."
out=${1:-dist/icons}
mkdir -p "$out"
for size in 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --output "$out/zelto_$size.png" dist/zelto.svg
done
