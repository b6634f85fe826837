#!/bin/sh
# The real game under Xvfb with a pad faked at the kernel's joystick
# interface (fake_pad.c, preloaded; its state files are written here). The
# game starts with no pad; one plugged in then leaves the title with a fire
# button within two seconds; its stick takes the ship to the right edge with
# its shots above it; its d-pad steers; a stick resting a little off centre
# steers nowhere. A second pad plugged in later steers too; the first pulled
# out mid-wave pauses the game with "Pad disconnected", and fire on the
# second goes on. The run, recorded, replays to the hash the game ended with.
# Usage: window_pad.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

. "$here/ship_common.sh"

[ -n "${ZELTO_FAKE_PAD:-}" ] || fail "ZELTO_FAKE_PAD does not name the fake pad library"
replayer=$(dirname "$game")/replay
FAKE_PAD_DIR="$work/pads"
export FAKE_PAD_DIR
mkdir "$FAKE_PAD_DIR"
# A sanitizer build wants its runtime loaded first.
preload="$(ldd "$game" | awk '/libasan|libubsan/ { printf "%s ", $3 }')$ZELTO_FAKE_PAD"

# pad N X Y HATX HATY BUTTONS: plugs pad N in (or changes it) with its stick,
# d-pad and twelve buttons (0 = not pressed); a second stick stays centred.
pad() {
    echo "$2 $3 0 0 $4 $5 $6" >"$FAKE_PAD_DIR/.js$1"
    mv "$FAKE_PAD_DIR/.js$1" "$FAKE_PAD_DIR/js$1"
}
unplug() { rm "$FAKE_PAD_DIR/js$1"; }
FIRE=100000000000  # button 0 (even buttons fire)
NONE=000000000000
# A stick at rest a little left and down of centre, inside the library's
# threshold of a quarter of the way out.
REST_X=-6000 REST_Y=7000
FULL=32767

same() { [ "$($im/compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
# Captures the window until two captures in a row are equal (a paused game:
# the stars move on every pass otherwise), into $1; false after ten tries.
settled() {
    $im/import -window "$win" "$work/cap_a.png"
    for try in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.1
        $im/import -window "$win" "$work/cap_b.png"
        if same "$work/cap_a.png" "$work/cap_b.png"; then
            mv "$work/cap_b.png" "$1"
            return 0
        fi
        mv "$work/cap_b.png" "$work/cap_a.png"
    done
    return 1
}

LD_PRELOAD="$preload" "$game" --record "$work/run.zrec" --mute --stats 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "no window titled 'Zelto Star!'"
sleep 1

# ---- Plugged in at the title, started with fire --------------------------------
pad 0 $REST_X $REST_Y 0 0 $NONE
sleep 2  # seen within two seconds, or the press below is missed
pad 0 $REST_X $REST_Y 0 0 $FIRE
sleep 0.3
pad 0 $REST_X $REST_Y 0 0 $NONE
sleep 1  # the slide-in
# Fire with the stick at rest: the ship stays put (judged from the recording).
pad 0 $REST_X $REST_Y 0 0 $FIRE
sleep 1

# ---- The stick to the right edge, firing --------------------------------------------
pad 0 $FULL 0 0 0 $FIRE
sleep 3
ok=
ship_seen_at_edge && ok=1
[ -n "$ok" ] || fail "no screenshot showed the ship at the right edge with shots above it"

# ---- The d-pad: left, then up --------------------------------------------------------
pad 0 $REST_X $REST_Y -$FULL 0 $FIRE
sleep 0.6
pad 0 $REST_X $REST_Y 0 -$FULL $FIRE
sleep 0.6
pad 0 $REST_X $REST_Y 0 0 $NONE

# ---- A second pad plugged in mid-wave steers down within two seconds --------------------
pad 1 0 0 0 0 $NONE
sleep 2
pad 1 0 $FULL 0 0 $NONE
sleep 0.6
pad 1 0 0 0 0 $NONE

# ---- The first pulled out: paused, said on screen; fire on the second goes on ----------
unplug 0
sleep 1.5
settled "$work/paused.png" || fail "the game did not stop when the pad was pulled out"
# The frame itself (Tab saves it without the words) against what is shown:
# "Pad disconnected" is written under "Paused", 40 pixels below it (which is
# higher up over "Game Over", should the ship be out of lives by now).
rm -f zelto_screen.bmp
press Tab 0.2
[ -f zelto_screen.bmp ] || fail "Tab saved no screenshot while paused"
written() {
    $im/convert "$work/paused.png" -crop "300x16+170+$1" +repage "$work/band_shown.png"
    $im/convert zelto_screen.bmp -crop "300x16+170+$1" +repage "$work/band_frame.png"
    $im/compare -metric AE -fuzz 10% "$work/band_shown.png" "$work/band_frame.png" null: 2>&1
}
lit=$(($(written 240) + $(written 180)))
echo "pixels written under 'Paused': $lit"
[ "$lit" -gt 50 ] || fail "no line under 'Paused' says the pad is gone"
sleep 1
settled "$work/still.png" || fail "the paused game moved on by itself"
pad 1 0 0 0 0 $FIRE
sleep 0.4
pad 1 0 0 0 0 $NONE
$im/import -window "$win" "$work/after_a.png"
sleep 0.5
$im/import -window "$win" "$work/after_b.png"
same "$work/after_a.png" "$work/after_b.png" && fail "fire on the other pad did not take the game on"

xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the game did not end cleanly"
pid=

# ---- What the recording holds ---------------------------------------------------------
# One byte a pass: up 1, right 2, down 4, left 8, fire 16. Right only came
# from the stick, left and up only from the d-pad (0.6 s each), down only
# from the second pad (0.6 s): the stick resting a little left and down all
# along gave neither.
od -An -v -tu1 -j "$(header_size)" "$work/run.zrec" | tr -s ' ' '\n' | awk '
    NF { n++; if (int($1 / 2) % 2) r++; if (int($1 / 8) % 2) l++; if ($1 % 2) u++
         if (int($1 / 4) % 2) d++; if (int($1 / 16) % 2) f++ }
    END { print n " passes: right " r + 0 ", left " l + 0 ", up " u + 0 ", down " d + 0 ", fire " f + 0
          exit !(r > 100 && l >= 5 && l < 100 && u >= 5 && u < 100 && d >= 5 && d < 100 && f > 200) }' ||
    fail "the recorded passes do not hold the pad's steering as played"

want=$(awk '/state hash/ { print $4 }' "$work/stderr")
[ -n "$want" ] || fail "--stats gave no state hash at the end of the run"
got=$("$replayer" "$work/run.zrec" --data . | awk '/^hash / { print $2 }')
[ "$got" = "$want" ] || fail "the recording replays to $got, the game ended at $want"

echo "window pad test passed"
