#!/bin/sh
# The real game in a real window under Xvfb: the title shows, Z leads into
# the game, Tab saves the frame, Esc ends the game with status 0 at once;
# a missing asset stops it before the title with a message.
# Usage: window_test.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

# A held key, long enough for a 19 ms pass to see it.

launch
sleep 0.5
/usr/bin/import -window root "$work/title.png" || fail "cannot capture the screen"
# The title frame: stars and white lettering on black.
lit=$(/usr/bin/convert "$work/title.png" -crop 640x100+0+160 -threshold 50% -format '%[fx:mean]' info:)
awk "BEGIN{exit !($lit > 0.01)}" || fail "the title text is not on screen ($lit)"

press z 0.3
sleep 1.0
press Tab 0.1
[ -f zelto_screen.bmp ] || fail "Tab in the game saved no screenshot"
/usr/bin/identify -format '%w x %h' zelto_screen.bmp | grep -q '640 x 480' || fail "screenshot is not 640 x 480"

start=$(date +%s.%N)
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid
status=$?
end=$(date +%s.%N)
[ $status -eq 0 ] || fail "Esc ended the game with status $status"
awk "BEGIN{exit !($end - $start < 1.0)}" || fail "Esc took $(awk "BEGIN{print $end - $start}") s"

# A missing asset: a message naming it, a non-zero status, no title.
rm p_boom.wav
"$game" 2>"$work/stderr"
status=$?
[ $status -ne 0 ] || fail "a missing asset gave status 0"
grep -q 'p_boom.wav' "$work/stderr" || fail "the message does not name p_boom.wav: $(cat "$work/stderr")"
echo "window test passed"
