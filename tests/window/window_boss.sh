#!/bin/sh
# The real game in a real window under Xvfb, played through the keyboard: fire
# held, the ship down at the bottom sweeping the column, until a Tab
# screenshot shows "Stage Clear!"; then X brings in GLAIVE, and its frame must
# show the boss, the banner and the red health bar, though its image files
# were removed once the game had started.
# Usage: window_boss.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

key() { xdotool "$1" --window "$win" "$2" 2>/dev/null; }
now() { date +%s.%N; }
# Sleeps until $1 seconds after the time $2.
sleep_until() { s=$(awk "BEGIN{d = $2 + $1 - $(now); print (d > 0 ? d : 0)}"); sleep "$s"; }
# The current frame, through the game's own Tab screenshot: a copy taken
# while the game still writes the file is cut short (640 x 480 x 24-bit BMP).
snap() {
    rm -f zelto_screen.bmp "$work/shot.bmp"
    key keydown Tab; sleep 0.1; key keyup Tab
    for i in 1 2 3 4 5 6 7 8; do
        sleep 0.1
        cp zelto_screen.bmp "$work/shot.bmp" 2>/dev/null &&
            [ "$(wc -c <"$work/shot.bmp")" -eq 921654 ] && return
    done
    rm -f "$work/shot.bmp"
}
# Share of the pixels in a box (WxH+X+Y) of the last screenshot that are white or red.
white() { $im/convert "$work/shot.bmp" -crop "$1" +repage -fx 'r>0.9&&g>0.9&&b>0.9?1:0' -format '%[fx:mean]' info:; }
red() { $im/convert "$work/shot.bmp" -crop "$1" +repage -fx 'r>0.8&&g<0.2&&b<0.2?1:0' -format '%[fx:mean]' info:; }
above() { awk "BEGIN{exit !($1 > $2)}"; }
big_text=300x36+170+196  # "Stage Clear!" and "Game Over"
small_text=140x12+250+250  # "Press [X] to continue"

launch
sleep 0.5
# GLAIVE's images go away while the game runs, the head replaced by a named
# pipe: the boss must show all the same, from what start-up checked.
rm "ZS BOSS - GLAIVE"/*.bmp
mkfifo "ZS BOSS - GLAIVE/head.bmp"

# Sweeps of 0.8 s (about 42 passes, a little more than the column) keep the
# ship moving; at the bottom only divers and bullets reach it. That clears
# the wave about 19 times in 20; a lost run gets one new game.
key keydown z
key keydown Down
sleep 1.5  # past the title, whose lettering is where "Stage Clear!" comes
dir=Left
start=$(now)
cleared=
runs=1
while awk "BEGIN{exit !($(now) - $start < 95)}"; do
    t=$(now)
    key keydown $dir
    snap
    if [ -f "$work/shot.bmp" ]; then
        if above "$(white $big_text)" 0.3 && above "$(white $small_text)" 0.15; then
            cleared=1
            key keyup $dir
            break
        fi
        if above "$(red $big_text)" 0.2; then
            lost="the ship was lost before the stage cleared ($(awk "BEGIN{print $(now) - $start}") s)"
            [ $runs -lt 2 ] || fail "$lost, twice"
            echo "$lost; a new game"
            runs=2
            key keydown x; sleep 0.2; key keyup x
        fi
    fi
    sleep_until 0.8 "$t"
    key keyup $dir
    [ $dir = Left ] && dir=Right || dir=Left
done
[ -n "$cleared" ] || fail "the opening wave did not clear in 95 s"
echo "stage clear after $(awk "BEGIN{print $(now) - $start}") s"

key keyup Down
key keydown x
sleep 0.2
key keyup x
sleep 0.4  # the ship is protected for 100 passes after the advance
snap
[ -f "$work/shot.bmp" ] || fail "Tab in the boss stage saved no screenshot"
banner=$(white 70x16+528+56)
above "$banner" 0.05 || fail "no '- BOSS -' banner at (531, 60): $banner"
bar=$(red 386x18+127+459)
above "$bar" 0.2 || fail "no red health bar at y 460..475: $bar"
head=$($im/convert "$work/shot.bmp" -crop 60x60+290+55 +repage -fx 'r+g+b>0.3?1:0' -format '%[fx:mean]' info:)
above "$head" 0.3 || fail "no GLAIVE head at (320, 85): $head"
above "$(white $big_text)" 0.2 && fail "'Stage Clear!' still shows in the boss stage"

key keyup z
key keydown Escape
wait $pid
status=$?
[ $status -eq 0 ] || fail "Esc ended the game with status $status"
echo "window boss test passed"
