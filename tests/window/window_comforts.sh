#!/bin/sh
# The comforts around the game, in a real window under Xvfb: --scale 2 gives
# a 1280 x 960 window showing each frame doubled pixel for pixel, P freezes
# the picture, another window taking the focus does too until P (unless the
# settings say no), and an installed copy started from another folder runs
# and keeps its score file in the player's data folder.
# Usage: window_comforts.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# screen: 1600x1200x24
. "$(dirname "$0")/xvfb_common.sh"

build=$(dirname "$game")
same() { [ "$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }


# --scale 2, then a pause.
launch --scale 2 --mute
size=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$size" = "1280x960" ] || fail "--scale 2 gave a $size window"
press z 0.3
sleep 2
press p 0.2
sleep 0.3
/usr/bin/import -window "$win" "$work/a.png"
sleep 1
/usr/bin/import -window "$win" "$work/b.png"
same "$work/a.png" "$work/b.png" || fail "the picture moved while paused"
# Every 2 x 2 block is one pixel of the frame.
/usr/bin/convert "$work/a.png" -sample 50% -sample 200% "$work/doubled.png"
same "$work/a.png" "$work/doubled.png" || fail "the frame is not doubled pixel for pixel"
lit=$(/usr/bin/convert "$work/a.png" -crop 1280x120+0+380 -threshold 50% -format '%[fx:mean]' info:)
awk "BEGIN{exit !($lit > 0.005)}" || fail "no 'Paused' over the frame"
press p 0.2
sleep 0.5
/usr/bin/import -window "$win" "$work/c.png"
same "$work/a.png" "$work/c.png" && fail "the game did not resume"

# Another window takes the focus: the game pauses and stays paused (two
# captures 0.6 s apart equal) until P.
xmessage -geometry +1300+0 -title elsewhere "elsewhere" &
msg=$!
other=$(timeout 10 xdotool search --sync --name '^elsewhere$' | head -1)
[ -n "$other" ] || fail "no xmessage window"
# The game's window is given the focus first, so that it surely loses it.
focus_elsewhere() {
    xdotool windowfocus "$win" 2>/dev/null
    xdotool windowfocus "$other" 2>/dev/null
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$other" ] || fail "the focus did not move to another window"
}
settled() {
    /usr/bin/import -window "$win" "$work/s0.png"
    for try in 1 2 3 4 5 6 7 8; do
        sleep 0.6
        /usr/bin/import -window "$win" "$work/s1.png"
        same "$work/s0.png" "$work/s1.png" && return 0
        mv "$work/s1.png" "$work/s0.png"
    done
    return 1
}
focus_elsewhere
settled || fail "the game played on when another window took the focus"
xdotool windowfocus "$win" 2>/dev/null
press p 0.2
sleep 0.5
/usr/bin/import -window "$win" "$work/d.png"
same "$work/s1.png" "$work/d.png" && fail "P did not resume after the focus came back"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the scaled game did not end cleanly"
# The focused window took that key from the server itself: let it go there,
# or the next window to get the focus would find Esc held.
xdotool keyup Escape 2>/dev/null

# With pause_on_focus_loss = no the game plays on; --stats tells how evenly
# its frames went out (loosely checked: the machine may be busy).
mkdir -p "$work/config/zelto"
printf '[window]\npause_on_focus_loss = no\n' >"$work/config/zelto/zelto.cfg"
launch --mute --stats
press z 0.3
sleep 1
focus_elsewhere
/usr/bin/import -window "$win" "$work/e0.png"
for i in 1 2 3; do
    sleep 0.6
    /usr/bin/import -window "$win" "$work/e$i.png" || fail "the game with the setting off ended"
    same "$work/e$((i - 1)).png" "$work/e$i.png" && fail "the game paused with pause_on_focus_loss = no"
done
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the game with the setting off did not end cleanly"
kill $msg 2>/dev/null
line=$(grep 'frames sent 18-20.5 ms after the one before, largest gap' "$work/stderr")
echo "$line"
echo "$line" | awk '{ share = $2 + 0; frames = $4 + 0; gap = $(NF - 1) + 0
    exit !(share > 0 && share <= 100 && frames >= 50 && gap >= 18 && gap < 10000) }' ||
    fail "--stats gave no sane figures for the frames sent"

# An installed copy, started from an empty folder.
cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
[ -x "$work/prefix/$bindir/zelto" ] || fail "no $bindir/zelto installed"
[ -f "$work/prefix/$datadir/p_ship.bmp" ] || fail "no data in $datadir"
mkdir "$work/elsewhere"
cd "$work/elsewhere"
XDG_DATA_HOME="$work/xdg" "$work/prefix/$bindir/zelto" --mute 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "the installed game opened no window: $(cat "$work/stderr")"
press z 0.3
# Unsteered, the ship is hit three times within a minute: game over writes the scores.
for i in $(seq 1 90); do
    [ -f "$work/xdg/zelto/zelto_score.dat" ] && break
    sleep 1
done
[ -f "$work/xdg/zelto/zelto_score.dat" ] || fail "no score file in the player's data folder"
press Tab 0.1
[ -f "$work/xdg/zelto/zelto_screen.bmp" ] || fail "the screenshot did not go to the player's data folder"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the installed game wrote into the working folder"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the installed game did not end cleanly"
echo "window comforts test passed"
