#!/bin/sh
# The real game under Xvfb: holding Tab in play saves the frame as
# zelto_screen.bmp, 640 x 480, with the HUD texts lit on the black left panel.
# Usage: window_screenshot.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# Set KEEP_SCREENSHOT=file.png to keep the frame for a look.
set -u
game=$(realpath "$1")
data=$2
im=/usr/bin          # ImageMagick itself, whatever else is on PATH
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp -r "$data" "$work/data"
rm -f "$work/data/zelto_score.dat" "$work/data/zelto_screen.bmp"
cd "$work/data"

press() { xdotool keydown --window "$win" "$1"; sleep "$2"; xdotool keyup --window "$win" "$1" 2>/dev/null; }

"$game" 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Zelto Star!'"
sleep 0.8                # past the title's 25 passes
press z 0.3
sleep 1.0                # the slide-in is 19 passes
[ -f zelto_screen.bmp ] && fail "a screenshot was saved before Tab"
press Tab 0.3
[ -f zelto_screen.bmp ] || fail "holding Tab in the game saved no zelto_screen.bmp"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid
pid=

[ "$($im/identify -format '%w x %h' zelto_screen.bmp)" = "640 x 480" ] ||
    fail "the screenshot is not 640 x 480"
$im/convert zelto_screen.bmp "$work/shot.png" || fail "the screenshot is not a readable BMP"
[ -n "${KEEP_SCREENSHOT:-}" ] && cp "$work/shot.png" "$KEEP_SCREENSHOT"

# Share of lit pixels in a rectangle WxH+X+Y.
lit() { $im/convert "$work/shot.png" -crop "$1" +repage -colorspace gray -threshold 50% -format '%[fx:mean]' info:; }
hud=$(lit 80x36+20+60)      # "Score: 0" and "Lives: 2"
panel=$(lit 90x300+0+120)   # the left panel below the HUD
awk "BEGIN{exit !($hud > 0.03)}" || fail "no HUD text at x 20, y 60..95 (lit $hud)"
awk "BEGIN{exit !($panel == 0)}" || fail "the left panel is not black (lit $panel)"
echo "window screenshot test passed"
