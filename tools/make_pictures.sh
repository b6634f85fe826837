#!/bin/sh
# Makes the pictures in dist/ that come from the game's own frames, drawn
# headless by build/snapshot and build/frames with the autopilot playing:
#   dist/screenshot_angel.png  the second screenshot for software centres
#   dist/menu.png, dist/controls.png
#                              the title's menu and its Controls page
#   dist/play.gif              the moving picture at the top of the README:
#                              the opening wave, then the boss ANGEL, every
#                              second pass (about 26 frames a second)
# Usage: tools/make_pictures.sh [BUILD_DIR]   (build/ unless given)
# Needs ImageMagick (/usr/bin/convert; another `convert` may come first on PATH).
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

"$build/snapshot" data "$frames/angel.bmp" angel 400
/usr/bin/convert "$frames/angel.bmp" dist/screenshot_angel.png

for scene in menu controls; do
    "$build/snapshot" data "$frames/$scene.bmp" $scene 40
    /usr/bin/convert "$frames/$scene.bmp" -colors 8 dist/$scene.png
done

mkdir "$frames/wave" "$frames/boss"
"$build/frames" data "$frames/wave" play 120 100 2
"$build/frames" data "$frames/boss" angel 250 80 2
/usr/bin/convert -delay 4 -loop 0 "$frames"/wave/*.bmp "$frames"/boss/*.bmp \
    -layers Optimize dist/play.gif
size=$(wc -c <dist/play.gif)
echo "dist/play.gif: $size bytes"
[ "$size" -lt 2000000 ] || { echo "make_pictures: dist/play.gif is over 2 MB" >&2; exit 1; }
