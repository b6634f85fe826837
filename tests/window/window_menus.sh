#!/bin/sh
# The menus in the real game, driven by keys: X on the title opens them;
# the effects level, fire bound to A, fullscreen on and off again, and on
# leaving Options the settings file holds exactly those changes; A then
# starts and fires in the run. A settings folder that takes no file: the
# failure is said on the screen and on stderr, and the game goes on.
# Usage: window_menus.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

cfg="$XDG_CONFIG_HOME/zelto/zelto.cfg"
step() { press "$1" 0.15; sleep 0.15; }
# Where the page's heading is on the 800 x 600 screen: the fullscreen
# centres the frame, the window has it at the top left.
lit() { /usr/bin/convert "$1" -crop "$2" -threshold 50% -format '%[fx:mean]' info:; }
heading_at() {
    /usr/bin/import -window root "$work/screen.png"
    if awk "BEGIN{exit !($(lit "$work/screen.png" 200x25+300+100) > 0.1)}"; then
        echo fullscreen
    elif awk "BEGIN{exit !($(lit "$work/screen.png" 200x25+220+40) > 0.1)}"; then
        echo window
    fi
}
quit_game() {
    xdotool keydown --window "$win" Escape 2>/dev/null
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "Esc ended the game with status $status ($1)"
}

launch --mute
sleep 0.5
step x                                        # the menu
step Down; step Return; step Return           # Options, Sound
step Down; step Left; step x                  # effects 90, back to Options
step Down; step Return; step Down             # Screen, Fullscreen
step Return; sleep 1.5
full=$(heading_at)
step Return; sleep 1.5
back=$(heading_at)
[ "$full" = fullscreen ] || fail "fullscreen from the menu gave: $full"
[ "$back" = window ] || fail "the window from the menu came back as: $back"
step x; step Down; step Return                # Controls
step Down; step Down; step Down; step Down     # Fire
step Return; step a                           # Fire is A
step x; step x                                # Options left: saved
[ -f "$cfg" ] || fail "leaving Options saved no settings file"
printf '[keys]\nfire = A\n[sound]\neffects = 90\n' >"$work/expected.cfg"
"$game" --config "$work/expected.cfg" --save-settings >/dev/null || fail "--save-settings failed"
cmp -s "$cfg" "$work/expected.cfg" || { diff "$work/expected.cfg" "$cfg"; fail "the settings file holds other changes"; }
step x                                        # the title again
press a 0.3                                   # A is fire: the run begins
sleep 1.2
press Tab 0.15
[ -f zelto_screen.bmp ] || fail "A (fire) did not start the run"
quit_game "after the menus"
[ -s "$work/stderr" ] && fail "the menus spoke"
echo "menus: effects 90, fire A, fullscreen $full and back to $back, saved as --save-settings would"

# --- A folder that takes no file --------------------------------------------------
# Read-only; where the tests run as root, which writes anyway, a folder
# whose place is taken by a file.
if [ "$(id -u)" = 0 ]; then
    : >"$work/taken"
    XDG_CONFIG_HOME="$work/taken/config"
    cfg="$XDG_CONFIG_HOME/zelto/zelto.cfg"
else
    chmod 555 "$XDG_CONFIG_HOME/zelto"
fi
rm -f zelto_screen.bmp
launch --mute
sleep 0.5
step x; step Down; step Return; step Return   # Options, Sound
step Down; step Left; step x; step x          # effects 90: leaving Options fails to save
sleep 0.3
/usr/bin/import -window "$win" "$work/failed.png"
red=$(/usr/bin/convert "$work/failed.png" -crop 640x16+0+413 -fx 'r>0.8&&g<0.2' -format '%[fx:mean]' info:)
awk "BEGIN{exit !($red > 0.005)}" || fail "no message on the screen for the failed save ($red)"
grep -q "^zelto: cannot save the settings to $cfg: " "$work/stderr" || fail "stderr does not say the save failed"
step x
press z 0.3
sleep 1.2
press Tab 0.15
[ -f zelto_screen.bmp ] || fail "no game after the failed save"
quit_game "after a failed save"
[ -d "$XDG_CONFIG_HOME/zelto" ] && chmod 755 "$XDG_CONFIG_HOME/zelto"
echo "failed save: $(cat "$work/stderr")"
echo "window menus test passed"
