#!/bin/sh
# The real game plays the opening wave in a window under Xvfb: with fire
# held and a little steering, enemies come down the play column and move,
# and over half a minute of shooting the score in the HUD goes up.
# Usage: window_wave.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

down() { xdotool keydown --window "$win" "$1" 2>/dev/null; }
up() { xdotool keyup --window "$win" "$1" 2>/dev/null; }
hold() { down "$1"; sleep "$2"; up "$1"; }
# Tab saves the frame on every pass it is held; keep the last one.
snap() {
    rm -f zelto_screen.bmp
    hold Tab 0.15
    sleep 0.1
    [ -f zelto_screen.bmp ] || fail "Tab saved no screenshot ($1)"
    mv zelto_screen.bmp "$work/$1.bmp"
}
# A crop of a frame with the white stars blacked out.
unstarred() { $im/convert "$work/$1.bmp" -crop "$2" +repage -fuzz 3% -fill black -opaque white "$work/$1_$3.png"; }
# How many pixels differ between the same crop of two frames.
differ() {
    unstarred "$1" "$3" c
    unstarred "$2" "$3" c
    $im/compare -metric AE "$work/$1_c.png" "$work/$2_c.png" null: 2>&1 | awk '{printf "%d", $1}'
}
# How many pixels of a crop are neither black nor star white.
ink() {
    unstarred "$1" "$2" i
    $im/convert "$work/$1_i.png" -threshold 1% -format '%[fx:int(mean*w*h+0.5)]' info:
}

launch
sleep 0.5

# Fire is held from the title on: the title, the slide-in, then the game.
down z
sleep 1.3
# To the left edge, so that until the ship is first hit (it comes back in
# the middle) its shots keep to the first columns of the play column.
hold Left 0.8
snap early

# Enemies on the field, moving: right of the ship the play column holds
# more than stars, and changes between frames half a second apart (the
# falling white stars aside).
column=344x480+168+0
moved=0
seen=0
for n in 1 2 3 4; do
    sleep 0.4
    snap "a$n"
    sleep 0.5
    snap "b$n"
    [ "$(ink "a$n" $column)" -gt 20 ] && seen=1
    [ "$(differ "a$n" "b$n" $column)" -gt 20 ] && moved=1
done
[ $seen -eq 1 ] || fail "no enemy showed in the play column"
[ $moved -eq 1 ] || fail "nothing moved in the play column but stars"

# Back toward the middle, where the divers come, and keep shooting.
hold Right 0.4
sleep 22
snap late
up z
kill -0 $pid 2>/dev/null || fail "the game ended by itself"

# "Score: N" stands at (20, 60) on the left panel: its ink has changed.
hud=88x16+20+60
$im/convert "$work/early.bmp" -crop $hud +repage "$work/hud_early.png"
$im/convert "$work/late.bmp" -crop $hud +repage "$work/hud_late.png"
changed=$($im/compare -metric AE "$work/hud_early.png" "$work/hud_late.png" null: 2>&1 | awk '{printf "%d", $1}')
[ "$changed" -gt 0 ] || fail "the score in the HUD did not change in 25 s of shooting"

xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid
status=$?
[ $status -eq 0 ] || fail "Esc ended the game with status $status"
echo "window wave test passed"
