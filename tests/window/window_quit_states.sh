#!/bin/sh
# Esc and the window's close button end the real game with status 0, at
# once and without a sanitizer report, from the title, the slide-in, the
# wave and the pause. (Stage clear, boss and game over are tried headless,
# in test_quit_states.cpp: reaching them through a window takes minutes.)
# Usage: window_quit_states.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

cc -O2 -Wall -o "$work/close_window" "$here/close_window.c" -lX11 || fail "cannot build close_window"

# Quits the running game by Esc (held until it has gone) or by the close
# button, and checks how it ended.
quit_by() {
    way=$1
    state=$2
    start=$(date +%s%N)
    if [ "$way" = Esc ]; then
        xdotool keydown --window "$win" Escape
    else
        "$work/close_window" "$win" || fail "close_window failed in $state"
    fi
    # Wait at most three seconds.
    n=0
    while kill -0 $pid 2>/dev/null && [ $n -lt 30 ]; do sleep 0.1; n=$((n + 1)); done
    kill -0 $pid 2>/dev/null && fail "$way in $state: the game is still running after 3 s"
    wait $pid
    status=$?
    pid=
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    xdotool keyup Escape 2>/dev/null
    [ $status -eq 0 ] || fail "$way in $state: exit status $status"
    [ $ms -le 1500 ] || fail "$way in $state took $ms ms"
    ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$way in $state: a sanitizer report"
    echo "$way in $state: status 0 after $ms ms"
}

for way in Esc close; do
    # The title: a quit is honoured once the title has run its 25 passes.
    launch --mute
    sleep 0.2
    quit_by $way title

    # The slide-in lasts 19 passes (0.36 s) from the pass that sees Z.
    launch --mute
    sleep 0.8
    xdotool keydown --window "$win" z
    sleep 0.1
    quit_by $way slide-in
    xdotool keyup z 2>/dev/null

    launch --mute
    sleep 0.8
    press z 0.2
    sleep 1.0
    quit_by $way wave

    launch --mute
    sleep 0.8
    press z 0.2
    sleep 0.5
    press p 0.15
    sleep 0.3
    quit_by $way paused
done
echo "window quit states passed"
