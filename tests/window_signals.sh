#!/bin/sh
# SIGINT, SIGTERM and SIGHUP end the real game as Esc does, whenever they
# come: at start-up, on the title, in the slide-in, the wave or the pause,
# at scales 1 and 4. Every run ends with status 128 + n (never by an abort
# or the signal itself, and without the library's own message), and the
# run's recording is whole: it replays to its last pass. A second signal
# ends the game at once.
# Usage: window_signals.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# screen: 2600x2000x24
. "$(dirname "$0")/xvfb_common.sh"

replay=$(dirname "$game")/replay
[ -x "$replay" ] || fail "no replay tool beside the game"
runs_each=${SIGNAL_RUNS:-10}

# A random number of milliseconds below $1.
random_ms() { od -An -N2 -tu2 /dev/urandom | awk -v m="$1" '{print $1 % m}'; }
seconds() { awk -v ms="$1" 'BEGIN{printf "%.3f", ms / 1000}'; }

# One run: start the game recording, play a little (into the game, maybe a
# pause), send the signal at a random moment, and check how it ended.
one_run() {
    scale=$1 sig=$2 number=$3 run=$4
    rec="$work/run.rec"
    rm -f "$rec"
    "$game" --scale "$scale" --mute --record "$rec" 2>"$work/stderr" &
    pid=$!
    # The first run of each catches the start-up itself.
    if [ "$run" -eq 0 ]; then at=$(random_ms 60); else at=$(random_ms 4000); fi
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
    kill -s "$sig" $pid
    waited=0
    while kill -0 $pid 2>/dev/null && [ $waited -lt 50 ]; do sleep 0.1; waited=$((waited + 1)); done
    kill -0 $pid 2>/dev/null && fail "SIG$sig at $at ms, scale $scale: still running 5 s later"
    wait $pid
    status=$?
    pid=
    what="SIG$sig at $at ms, scale $scale"
    [ $status -eq $((128 + number)) ] || fail "$what: exit status $status"
    ! grep -q 'Shutting down Allegro' "$work/stderr" || fail "$what: the library's own message"
    ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$what: a sanitizer report"
    # A signal before the recording began leaves none; otherwise it is whole.
    [ -f "$rec" ] || return 0
    recorded=$(($(wc -c <"$rec") - $(header_size)))
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
