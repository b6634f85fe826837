# Shared by the window tests that listen to the game (sourced after
# xvfb_common.sh). The game gets a scratch HOME whose ALSA settings give it a
# sound device that writes everything it plays to a file: 16-bit unsigned
# little-endian stereo at 44,100 Hz, silence 0x8000. That device is not
# paced, so the file fills faster than real time: judge levels and content
# between marks taken while the game runs, never durations.
probe=${ZELTO_SOUND_PROBE:-}
[ -x "$probe" ] || fail "ZELTO_SOUND_PROBE does not name the sound measurer"
heard="$work/heard.raw"

# Writes the scratch HOME's ALSA settings.
sound_settings() {
    mkdir -p "$work/home"
    printf '%s\n' "$1" > "$work/home/.asoundrc"
}

# A working device whose output lands in $heard.
file_device() {
    rm -f "$heard"
    sound_settings "pcm.!default { type file; slave.pcm \"null\"; file \"$heard\"; format \"raw\" }"
}

# Starts the game with the scratch HOME (as launch does: $pid, $win).
launch_heard() {
    HOME="$work/home" launch "$@"
}

# Bytes written so far: marks between the stretches to measure.
heard_mark() {
    stat -c %s "$heard" 2>/dev/null || echo 0
}

# "LEFT RIGHT DIFFERENCE PEAK FRAMES" for the bytes FROM..TO: the RMS of each
# side and of their difference, and the largest swing, as fractions of full
# scale.
heard_levels() {
    "$probe" levels "$heard" "$1" "$2"
}

# Field N (1-based) of a levels line.
field() {
    echo "$1" | awk -v n="$2" '{print $n}'
}

# "COUNT BEST": how often the given effect file shows in the bytes FROM..TO.
heard_matches() {
    "$probe" matches "$heard" "$1" "$2" "$3"
}

# Whether a number compares as asked: is 0.05 '>' 0.01.
is() {
    awk -v a="$1" -v b="$3" -v op="$2" 'BEGIN {
        exit !((op == ">" && a > b) || (op == "<" && a < b) || (op == ">=" && a >= b) ||
               (op == "<=" && a <= b) || (op == "==" && a == b)) }'
}

# Fails unless the bytes FROM..TO hold a song: written at all, clearly above
# silence on both sides, and the sides different (the songs are placed in
# stereo; the effects sit in the middle). Prints the levels after LABEL.
song_heard() {
    levels=$(heard_levels "$2" "$3")
    echo "$1: $levels"
    is "$(field "$levels" 5)" ">" 50000 || fail "$1: almost nothing written ($levels)"
    is "$(field "$levels" 1)" ">" 0.01 || fail "$1: the left side is silent ($levels)"
    is "$(field "$levels" 2)" ">" 0.01 || fail "$1: the right side is silent ($levels)"
    echo "$levels" | awk '{ exit !($3 > 0.2 * ($1 + $2) / 2) }' ||
        fail "$1: left and right alike, the song is not in stereo ($levels)"
}

# Plays the opening wave heard through the file device: the title, a calm
# stretch of the wave and a stretch with fire held, marked in $title_end,
# $calm_start..$calm_end and $fire_start..$fire_end; then Esc, which must
# end the game with status 0 ($1 names the case in a failure).
play_wave() {
    file_device
    launch_heard
    sleep 1.0
    title_end=$(heard_mark)
    press z
    sleep 1.5
    calm_start=$(heard_mark)
    sleep 2.5
    calm_end=$(heard_mark)
    xdotool keydown --window "$win" z 2>/dev/null
    sleep 0.5
    fire_start=$(heard_mark)
    sleep 3.5
    fire_end=$(heard_mark)
    xdotool keyup --window "$win" z 2>/dev/null
    xdotool keydown --window "$win" Escape 2>/dev/null
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "$1: Esc ended the game with status $status"
}

# Plays into the opening wave, fire held a while, and expects silence:
# nothing written or only silence, and not a word from the game; Esc must
# end it with 0. $1 names the case; the rest are the game's options.
plays_muted() {
    what=$1
    shift
    file_device
    launch_heard "$@"
    sleep 0.5
    press z
    sleep 1.0
    xdotool keydown --window "$win" z 2>/dev/null
    sleep 1.5
    xdotool keyup --window "$win" z 2>/dev/null
    xdotool keydown --window "$win" Escape 2>/dev/null
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "$what: Esc ended the game with status $status"
    if [ -e "$heard" ]; then
        muted=$(heard_levels 0 "$(heard_mark)")
        echo "$what: $muted"
        is "$(field "$muted" 4)" "==" 0 || fail "$what was heard: $muted"
    else
        echo "$what: nothing written"
    fi
    if [ -s "$work/stderr" ]; then fail "$what made the game speak"; fi
}
