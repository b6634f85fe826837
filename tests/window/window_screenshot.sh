#!/bin/sh
# The real game under Xvfb: holding Tab in play saves the frame as
# zelto_screen.bmp, 640 x 480, with the HUD texts lit on the black left panel.
# Usage: window_screenshot.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# Set KEEP_SCREENSHOT=file.png to keep the frame for a look.
. "$(dirname "$0")/xvfb_common.sh"

launch
sleep 0.8                # past the title's 25 passes
press z 0.3
sleep 1.0                # the slide-in is 19 passes
[ -f zelto_screen.bmp ] && fail "a screenshot was saved before Tab"
press Tab 0.3
[ -f zelto_screen.bmp ] || fail "holding Tab in the game saved no zelto_screen.bmp"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid

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
