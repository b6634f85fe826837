#!/bin/sh
# SIGINT, SIGTERM and SIGHUP end the real game as Esc does, whenever they
# come: at start-up, on the title, in the slide-in, the wave or the pause,
# and (watching recorded runs) at a boss or on the game-over screen, at
# scales 1 and 4. Every run ends with status 128 + n (never by an abort
# or the signal itself, and without the library's own message), and the
# run's recording is whole: it replays to its last pass. A second signal
# ends the game at once. One run of each signal at each scale by default;
# SIGNAL_RUNS=N makes it N at random moments, and SIGNAL_WATCHED=0 leaves
# out the watched runs and the double signal (the soak run does both).
# Usage: window_signals.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# screen: 2600x2000x24
. "$(dirname "$0")/xvfb_common.sh"

replay=$(dirname "$game")/replay
[ -x "$replay" ] || fail "no replay tool beside the game"
runs_each=${SIGNAL_RUNS:-1}
watched=${SIGNAL_WATCHED:-1}

# A random number of milliseconds below $1.
random_ms() { od -An -N2 -tu2 /dev/urandom | awk -v m="$1" '{print $1 % m}'; }
seconds() { awk -v ms="$1" 'BEGIN{printf "%.3f", ms / 1000}'; }

# Sends $sig (number $number) to the game and checks that it ended with
# 128 + number within 5 s, quietly; its status in $status.
signal_ends_game() {
    kill -s "$sig" $pid
    waited=0
    while kill -0 $pid 2>/dev/null && [ $waited -lt 50 ]; do sleep 0.1; waited=$((waited + 1)); done
    kill -0 $pid 2>/dev/null && fail "$1: still running 5 s later"
    wait $pid
    status=$?
    pid=
    [ $status -eq $((128 + number)) ] || fail "$1: exit status $status"
    ! grep -q 'Shutting down Allegro' "$work/stderr" || fail "$1: the library's own message"
    ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$1: a sanitizer report"
}

# One run: start the game recording, play a little (into the game, maybe a
# pause), send the signal at a random moment, and check how it ended.
one_run() {
    scale=$1 sig=$2 number=$3 run=$4
    rec="$work/run.rec"
    rm -f "$rec"
    "$game" --scale "$scale" --mute --record "$rec" 2>"$work/stderr" &
    pid=$!
    # The first run of each catches the start-up itself (in a single round,
    # SIGHUP's does).
    if [ "$run" -eq 0 ] && { [ "$runs_each" -gt 1 ] || [ "$sig" = HUP ]; }; then
        at=$(random_ms 60)
    else
        at=$(random_ms 4000)
    fi
    pause_at=$(random_ms 4000)
    # Start-up and the title lie in the first second; Z at 0.9 s leads into
    # the slide-in and the wave; P pauses half of the runs.
    t=0
    for event in "z 900" "p $pause_at"; do
        set -- $event
        [ "$1" = p ] && [ $((run % 2)) -eq 0 ] && continue
        [ "$2" -lt "$at" ] && [ "$2" -gt "$t" ] || continue
        sleep "$(seconds $(($2 - t)))"
        t=$2
        w=$(xdotool search --name '^Zelto Star!$' 2>/dev/null | head -1)
        [ -n "$w" ] && { xdotool keydown --window "$w" "$1"; sleep 0.1; xdotool keyup --window "$w" "$1"; t=$((t + 100)); } 2>/dev/null
    done
    [ "$at" -gt "$t" ] && sleep "$(seconds $((at - t)))"
    what="SIG$sig at $at ms, scale $scale"
    signal_ends_game "$what"
    # A signal before the recording began leaves none; otherwise it is whole.
    [ -f "$rec" ] || return 0
    recorded=$(recorded_passes "$rec")
    [ $recorded -ge 0 ] || fail "$what: the recording lost its header"
    played=$("$replay" "$rec" --data "$data" | awk '/^passes /{print $2}')
    [ "$played" = "$recorded" ] || fail "$what: $recorded passes recorded, $played replayed"
    echo "$what: status $status, $recorded passes recorded and replayed"
}

for scale in 1 4; do
    for pair in INT:2 TERM:15 HUP:1; do
        i=0
        while [ $i -lt "$runs_each" ]; do
            one_run $scale ${pair%:*} ${pair#*:} $i
            i=$((i + 1))
        done
    done
done

# The boss and the game-over screen, reached by watching recorded runs at
# four passes a frame until the picture shows them; the signal then comes
# at a random moment of that state.
key() { xdotool "$1" --window "$win" "$2" 2>/dev/null; }
snap() {
    rm -f zelto_screen.bmp
    key keydown Tab; sleep 0.08; key keyup Tab
    for i in 1 2 3 4 5 6 7 8 9 10; do
        [ -f zelto_screen.bmp ] && return 0
        sleep 0.05
    done
    return 1
}
share() { $im/convert zelto_screen.bmp -crop "$1" +repage -fx "$2" -format '%[fx:mean]' info:; }
boss_shown() { snap && awk "BEGIN{exit !($(share 70x16+528+56 'r>0.9&&g>0.9&&b>0.9?1:0') > 0.05)}"; }
game_over_shown() { snap && awk "BEGIN{exit !($(share 300x36+170+196 'r>0.8&&g<0.2&&b<0.2?1:0') > 0.2)}"; }

watched_run() {
    scale=$1 sig=$2 number=$3 file=$4 state=$5 within_ms=$6
    launch --scale "$scale" --mute --replay "$here/../golden/$file"
    key keydown f
    start=$(date +%s)
    until $state; do
        [ $(($(date +%s) - start)) -lt 40 ] || fail "watching $file: no $state within 40 s"
    done
    key keyup f
    at=$(random_ms "$within_ms")
    sleep "$(seconds "$at")"
    signal_ends_game "SIG$sig in $state, scale $scale"
    echo "SIG$sig $at ms into $state, scale $scale: status $status"
}

[ "$watched" = 0 ] && { echo "window signals passed"; exit 0; }
for scale in 1 4; do
    for pair in INT:2 TERM:15 HUP:1; do
        watched_run $scale ${pair%:*} ${pair#*:} stages.zrec boss_shown 3000
        watched_run $scale ${pair%:*} ${pair#*:} game_over.zrec game_over_shown 1000
    done
done

# Two signals in a row: the second does not wait for the shutdown.
launch --mute
sleep 1
kill -TERM $pid
kill -INT $pid
wait $pid
status=$?
pid=
[ $status -eq 143 ] || [ $status -eq 130 ] || fail "two signals: exit status $status"
echo "window signals passed"
