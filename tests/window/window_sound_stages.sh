#!/bin/sh
# The songs follow the stages in the real game, heard through a file sound
# device: a recorded run watched in the window plays the opening wave's song,
# switches to the clear song when the stage is clear and to the boss song
# once GLAIVE comes. Each stretch is told by its sound alone (which of the
# three songs it is like) and checked against the picture at its ends.
# Usage: window_sound_stages.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run,
# ZELTO_SOUND_PROBE naming the sound measurer)
. "$(dirname "$0")/xvfb_common.sh"
. "$here/sound_common.sh"

down() { xdotool keydown --window "$win" "$1" 2>/dev/null; }
up() { xdotool keyup --window "$win" "$1" 2>/dev/null; }
# The frame on screen, through the game's own Tab screenshot (written whole).
snap() {
    rm -f zelto_screen.bmp
    down Tab; sleep 0.08; up Tab
    for i in 1 2 3 4 5 6 7 8 9 10; do
        [ -f zelto_screen.bmp ] && return 0
        sleep 0.05
    done
    fail "Tab saved no screenshot"
}
# Share of white pixels in a box (WxH+X+Y) of the last screenshot.
white() { $im/convert zelto_screen.bmp -crop "$1" +repage -fx 'r>0.9&&g>0.9&&b>0.9?1:0' -format '%[fx:mean]' info:; }
cleared() { snap; is "$(white 300x36+170+196)" ">" 0.3; }   # "Stage Clear!"
boss_shown() { snap; is "$(white 70x16+528+56)" ">" 0.05; }  # "- BOSS -"
# Polls (every snap) until the test named holds, for at most $2 seconds.
wait_for() {
    start=$(date +%s)
    until $1; do
        [ $(($(date +%s) - start)) -lt "$2" ] || fail "no $1 within $2 s"
    done
}
# Which song a stretch is like: 1 the wave's, 2 the clear's, 3 the boss's.
which_song() {
    likeness=$("$probe" song "$heard" "$2" "$3" SHOPPING.XM LOUNGE.XM EXP4A.XM)
    echo "$1: like SHOPPING, LOUNGE, EXP4A by $(echo "$likeness" | cut -d' ' -f2-)"
    [ "$(field "$likeness" 1)" = "$4" ] || fail "$1 does not sound like song $4 ($likeness)"
    # And clearly so: well ahead of the next likeliest.
    echo "$likeness" | awk -v s="$4" '{ for (i = 2; i <= NF; i++) if (i != s + 1 && $i > $(s + 1) - 0.15) exit 1 }' ||
        fail "$1 is hardly more like song $4 than another ($likeness)"
}

file_device
launch_heard --replay "$here/../golden/stages.zrec"
# The wave at four passes a frame: the song plays at its own pace all the same.
down f
sleep 2
wave_a=$(heard_mark)
sleep 3
wave_b=$(heard_mark)
wait_for cleared 30
up f
sleep 0.6
clear_a=$(heard_mark)
sleep 2.5
clear_b=$(heard_mark)
cleared || fail "the stage was no longer clear at the end of its stretch"
wait_for boss_shown 20
sleep 1
boss_a=$(heard_mark)
sleep 4
boss_b=$(heard_mark)
boss_shown || fail "GLAIVE was gone at the end of its stretch"
down Escape
wait $pid
status=$?
pid=
[ $status -eq 0 ] || fail "Esc ended the replay with status $status"

song_heard "wave" "$wave_a" "$wave_b"
song_heard "stage clear" "$clear_a" "$clear_b"
song_heard "boss" "$boss_a" "$boss_b"
which_song "wave" "$wave_a" "$wave_b" 1
which_song "stage clear" "$clear_a" "$clear_b" 2
which_song "boss" "$boss_a" "$boss_b" 3
echo "window sound stages passed"
