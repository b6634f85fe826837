#!/bin/sh
# The real game heard through a sound device that writes to a file: the
# title is silent; after Z the opening wave's song plays, in stereo, and
# holding fire adds the shot sound; --mute is silent; a missing or broken
# device gives one line and a silent game that still plays.
# Usage: window_sound.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run,
# ZELTO_SOUND_PROBE naming the sound measurer)
. "$(dirname "$0")/xvfb_common.sh"
. "$here/sound_common.sh"

down() { xdotool keydown --window "$win" "$1" 2>/dev/null; }
up() { xdotool keyup --window "$win" "$1" 2>/dev/null; }

# Esc must end the game with status 0.
quit_game() {
    down Escape
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "Esc ended the game with status $status ($1)"
}

# --- A working device ---------------------------------------------------
play_wave "with sound"
if [ -s "$work/stderr" ]; then fail "the game spoke with a working sound device"; fi

title=$(heard_levels 0 "$title_end")
echo "title: $title"
# The device was opened and written from the start, with silence only.
is "$(field "$title" 5)" ">" 10000 || fail "the title wrote almost nothing: $title"
is "$(field "$title" 4)" "==" 0 || fail "the title is not silent: $title"
song_heard "wave" "$calm_start" "$calm_end"
song_heard "wave with fire" "$fire_start" "$fire_end"

# Shots: the laser's attack shows again and again with fire held, hardly
# ever without.
calm_shots=$(heard_matches "$calm_start" "$calm_end" p_laser.wav)
fire_shots=$(heard_matches "$fire_start" "$fire_end" p_laser.wav)
echo "shots heard (count, best match): without fire $calm_shots, with fire $fire_shots"
calm_n=$(field "$calm_shots" 1)
fire_n=$(field "$fire_shots" 1)
is "$fire_n" ">=" 8 || fail "holding fire added no shot sound ($fire_shots)"
is "$((calm_n * 4))" "<" "$fire_n" || fail "shots heard as often without fire ($calm_shots) as with it ($fire_shots)"

# --- --mute: silence, or nothing at all ---------------------------------
plays_muted "--mute" --mute

# --- No device, or a broken one: one line, and the game plays -----------
plays_silently() {
    rm -f zelto_screen.bmp
    launch_heard
    sleep 0.5
    press z
    sleep 1.0
    press Tab 0.1
    sleep 0.2
    [ -f zelto_screen.bmp ] || fail "$1: no game to take a screenshot of"
    quit_game "$1"
    lines=$(wc -l < "$work/stderr")
    [ "$lines" -eq 1 ] || fail "$1: the game said $lines lines, not one"
    grep -q '^zelto: .*playing silently$' "$work/stderr" ||
        fail "$1: the line is not about playing silently: $(cat "$work/stderr")"
    echo "$1: $(cat "$work/stderr")"
}
sound_settings 'pcm.!default "zelto_no_such_device"'
plays_silently "a device that does not exist"
sound_settings 'pcm.!default { type file; slave.pcm "null"'
plays_silently "malformed sound settings"
sound_settings "pcm.!default { type file; slave.pcm \"null\"; file \"$work/gone/heard.raw\"; format \"raw\" }"
plays_silently "a device writing into a missing folder"
touch "$work/plain"
sound_settings "pcm.!default { type file; slave.pcm \"null\"; file \"$work/plain/heard.raw\"; format \"raw\" }"
plays_silently "a device writing below a file"

echo "window sound test passed"
