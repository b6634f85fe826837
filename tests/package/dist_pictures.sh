#!/bin/sh
# The pictures in dist/: the committed icons (the window's too) are the SVG as rendered now
# (tools/make_icons.sh), every picture README.md shows is there, and the
# moving picture moves and stays under 2 MB.
# Usage: dist_pictures.sh SOURCE_DIR
set -u
src=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

sh "$src/tools/make_icons.sh" "$work" || fail "tools/make_icons.sh failed"
for size in 48 64 128 256; do
    icon="dist/icons/zelto_$size.png"
    [ -f "$src/$icon" ] || fail "no $icon"
    diff=$(/usr/bin/compare -metric AE "$src/$icon" "$work/zelto_$size.png" null: 2>&1)
    [ "$diff" = 0 ] || fail "$icon differs from dist/zelto.svg in $diff pixels: run tools/make_icons.sh"
done
cmp -s "$src/dist/icons/zelto_48.rgba" "$work/zelto_48.rgba" ||
    fail "dist/icons/zelto_48.rgba (the window's icon) differs from dist/zelto.svg: run tools/make_icons.sh"

shown=$(grep -o '](dist/[^)]*)' "$src/README.md" | sed 's/^](//; s/)$//')
[ -n "$shown" ] || fail "README.md shows no picture from dist/"
for picture in $shown; do
    [ -f "$src/$picture" ] || fail "README.md shows $picture, which is not there"
done

gif="$src/dist/play.gif"
echo "$shown" | grep -qx dist/play.gif || fail "README.md does not show dist/play.gif"
size=$(wc -c <"$gif")
[ "$size" -lt 2000000 ] || fail "dist/play.gif is $size bytes, over 2 MB"
frames=$(/usr/bin/identify "$gif" | wc -l)
[ "$frames" -gt 50 ] || fail "dist/play.gif has only $frames frames"
echo "dist pictures passed: 4 icons, $(echo "$shown" | wc -l) pictures in the README, play.gif $size bytes in $frames frames"
