#!/bin/sh
# The settings file in the real game (muted: there is no sound device).
# With left = A, right = D and fire = SPACE, Z no longer leaves the title
# but Space does, and holding D and Space takes the ship to the right edge
# of its column, firing. The window's size comes from the file unless an
# option says otherwise. The game never changes the file; --save-settings
# writes what --settings then shows as the file's, and never over a file
# that is no settings file; a damaged file gives one line and a game.
# Usage: window_settings.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# screen: 1400x1100x24
. "$(dirname "$0")/xvfb_common.sh"
. "$here/ship_common.sh"

cfg="$XDG_CONFIG_HOME/zelto/zelto.cfg"
mkdir -p "$XDG_CONFIG_HOME/zelto"

# Esc must end the game with status 0.
quit_game() {
    xdotool keydown --window "$win" Escape 2>/dev/null
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "Esc ended the game with status $status ($1)"
}

# --- Keys from the file ---------------------------------------------------
printf '# Arrows for nothing: A and D steer, Space fires.\n[keys]\nleft = A\nright = D\nfire = SPACE\n' >"$cfg"
cp "$cfg" "$work/written.cfg"
launch --mute
sleep 0.5
# Z fires no more: the title stays, its "Press fire" line still in the frame.
press z 1.0
press Tab 0.15
sleep 0.2
[ -f zelto_screen.bmp ] || fail "Tab saved no screenshot on the title"
title_line=$(pixels zelto_screen.bmp -crop 280x16+180+247 +repage | awk '$3 > 200 && $4 > 200 && $5 > 200 { n++ } END { print n + 0 }')
[ "$title_line" -gt 150 ] || fail "Z left the title though fire is SPACE ($title_line white pixels where the title's line was)"
rm -f zelto_screen.bmp
# Space through the title and the slide-in, then kept held with D.
xdotool keydown --window "$win" space
sleep 1.5
xdotool keydown --window "$win" d
sleep 3
ok=
ship_seen_at_edge && ok=1
xdotool keyup --window "$win" d 2>/dev/null
xdotool keyup --window "$win" space 2>/dev/null
[ -n "$ok" ] || fail "with right = D and fire = SPACE, no screenshot showed the ship at the right edge firing"
quit_game "keys from the file"
[ -s "$work/stderr" ] && fail "the game spoke about a good settings file"
cmp -s "$cfg" "$work/written.cfg" || fail "the game changed the settings file"

# --- The window: the file's size, an option's over it -------------------------
window_size() {
    xdotool getwindowgeometry "$win" | awk '/Geometry:/ { print $2 }'
}
printf '[window]\nscale = 2\n' >"$cfg"
launch --mute
size=$(window_size)
quit_game "scale from the file"
[ "$size" = "1280x960" ] || fail "scale = 2 in the file gave a window of $size"
launch --mute --scale 1
size=$(window_size)
quit_game "--scale over the file"
[ "$size" = "640x480" ] || fail "--scale 1 over scale = 2 gave a window of $size"
echo "window sizes: file 1280x960, option 640x480"

# --- --save-settings and --settings ------------------------------------------------
saved="$work/saved/zelto.cfg"
"$game" --config "$saved" --save-settings --scale 3 --effects 30 >"$work/out" 2>"$work/stderr" ||
    fail "--save-settings failed"
grep -q "saved to $saved" "$work/out" || fail "--save-settings did not say where: $(cat "$work/out")"
grep -q '^scale = 3$' "$saved" || fail "the saved file lacks scale = 3"
grep -q '^fire = Z$' "$saved" || fail "the saved file lacks the default fire = Z"
cp "$saved" "$work/before.cfg"
"$game" --config "$saved" --settings --music 5 >"$work/shown" 2>"$work/stderr" || fail "--settings failed"
cat "$work/shown"
grep -Eq '^ +scale += 3 +\(file\)$' "$work/shown" || fail "--settings does not show scale 3 from the file"
grep -Eq '^ +effects += 30 +\(file\)$' "$work/shown" || fail "--settings does not show effects 30 from the file"
grep -Eq '^ +music += 5 +\(option\)$' "$work/shown" || fail "--settings does not show music 5 from the option"
cmp -s "$saved" "$work/before.cfg" || fail "an option changed the settings file"
[ -s "$work/stderr" ] && fail "--settings spoke"

# --- A damaged file: one line, and a game ---------------------------------------------
head -c 3000 "$game" >"$cfg"
launch --mute
press z
sleep 1.0
press Tab 0.15
sleep 0.2
[ -f zelto_screen.bmp ] || fail "no game with a binary settings file"
quit_game "a binary settings file"
lines=$(wc -l <"$work/stderr")
[ "$lines" -eq 1 ] || fail "a binary settings file gave $lines lines, not one"
grep -q "^zelto: $cfg: " "$work/stderr" || fail "the line does not name the file: $(cat "$work/stderr")"
echo "binary file: $(cat "$work/stderr")"

# --save-settings never replaces what is no settings file: one line, status 1.
head -c 200000 "$game" >"$work/binary"
cp "$work/binary" "$work/binary.before"
"$game" --config "$work/binary" --save-settings 2>"$work/stderr"
status=$?
[ $status -ne 0 ] || fail "--save-settings over a binary ended with status 0"
cmp -s "$work/binary" "$work/binary.before" || fail "--save-settings replaced a binary"
[ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not one line: $(cat "$work/stderr")"
echo "save over a binary: $(cat "$work/stderr")"

echo "window settings test passed"
