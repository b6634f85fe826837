#!/bin/sh
# The volumes of the settings file, heard from the real game through a
# sound device that writes to a file: with music 0 and effects 100 the
# opening wave is much quieter than at 100/100 but not silent while firing,
# and the shots are heard; with music 100 and effects 0 the song plays and
# no shot is heard; mute = yes is silent. The file is the scratch HOME's
# ~/.config/zelto/zelto.cfg, found as a player's would be.
# Usage: window_sound_levels.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run,
# ZELTO_SOUND_PROBE naming the sound measurer)
. "$(dirname "$0")/xvfb_common.sh"
. "$here/sound_common.sh"
unset XDG_CONFIG_HOME

down() { xdotool keydown --window "$win" "$1" 2>/dev/null; }
up() { xdotool keyup --window "$win" "$1" 2>/dev/null; }

# Writes the scratch HOME's settings file, one line an argument.
settings_file() {
    mkdir -p "$work/home/.config/zelto"
    printf '%s\n' "$@" >"$work/home/.config/zelto/zelto.cfg"
}

# Plays the opening wave (play_wave) and measures both stretches: $calm and
# $fire (levels), $calm_n and $fire_n (laser shots heard). $1 names the case.
measure_wave() {
    play_wave "$1"
    [ -s "$work/stderr" ] && fail "$1: the game spoke"
    calm=$(heard_levels "$calm_start" "$calm_end")
    fire=$(heard_levels "$fire_start" "$fire_end")
    calm_n=$(field "$(heard_matches "$calm_start" "$calm_end" p_laser.wav)" 1)
    fire_n=$(field "$(heard_matches "$fire_start" "$fire_end" p_laser.wav)" 1)
    echo "$1: calm $calm, shots $calm_n; firing $fire, shots $fire_n"
}

# Loudness of a levels line: the mean RMS of its two sides.
loudness() {
    echo "$1" | awk '{ print ($1 + $2) / 2 }'
}

# --- The game's own levels ----------------------------------------------
settings_file '[sound]' 'music = 100' 'effects = 100'
measure_wave "music 100, effects 100"
full_calm=$(loudness "$calm")
full_difference=$(field "$calm" 3)
is "$fire_n" ">=" 8 || fail "at 100/100 holding fire was not heard"

# --- Music 0: the effects alone -------------------------------------------
settings_file '[sound]' 'music = 0' 'effects = 100'
measure_wave "music 0, effects 100"
# The songs are placed in stereo and the effects in the middle: with the
# music gone, left and right are alike.
is "$(loudness "$calm")" "<" "$(echo "$full_calm" | awk '{ print $1 / 2 }')" ||
    fail "music 0: the wave is not much quieter than at 100/100 ($calm against $full_calm)"
is "$(field "$calm" 3)" "<" "$(echo "$full_difference" | awk '{ print $1 / 10 }')" ||
    fail "music 0: the song is still heard ($calm against $full_difference)"
is "$(field "$fire" 3)" "<" "$(echo "$full_difference" | awk '{ print $1 / 10 }')" ||
    fail "music 0: the song is still heard while firing ($fire against $full_difference)"
is "$(field "$fire" 4)" ">" 0.01 || fail "music 0: firing was silent ($fire)"
is "$fire_n" ">=" 8 || fail "music 0: the shots were not heard ($fire_n)"

# --- Effects 0: the music alone -------------------------------------------
settings_file '[sound]' 'music = 100' 'effects = 0'
measure_wave "music 100, effects 0"
song_heard "effects 0, calm" "$calm_start" "$calm_end"
song_heard "effects 0, firing" "$fire_start" "$fire_end"
is "$fire_n" "<=" 1 || fail "effects 0: shots heard while firing ($fire_n)"

# --- mute = yes: silence, or nothing at all ---------------------------------
settings_file '[sound]' 'mute = yes'
plays_muted "mute = yes"

echo "window sound levels test passed"
