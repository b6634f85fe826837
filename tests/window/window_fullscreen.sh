#!/bin/sh
# Fullscreen and the window, under Xvfb: --fullscreen fills a 1920 x 1080
# desktop with the frame doubled and centred on black; F11 and Alt+Enter
# switch in the title, the wave and the pause without touching the run (the
# paused picture is the same pixel for pixel, and the recorded run replays to
# the state the game ended in); a second fullscreen game, which cannot have
# the keyboard, says so and plays in a window. On other desktops: --scale
# auto on 800 x 600 and 2600 x 2000, and 16-, 15- and 8-bit screens. Under
# a window manager (openbox) and under a Wayland desktop's X (weston with
# XWayland): the game's class and icon, fullscreen by the window manager's
# own command and by F11, and Esc still reaching the game.
# Usage: window_fullscreen.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# screen: 1920x1080x24
. "$(dirname "$0")/xvfb_common.sh"

replay=$(dirname "$game")/replay
[ -x "$replay" ] || fail "no replay tool beside the game"
servers=
other=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "$other" ] && kill $other 2>/dev/null;
      for s in $servers; do kill $s 2>/dev/null; done; rm -rf "$work"' EXIT

# Waits for the game to end by itself (10 s at most); its exit status.
ended() {
    for i in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && fail "the game is still running 10 s after Esc"
    wait "$1"
}
same() { [ "$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
size_of() { xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; }
viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
# The brightest value in a region of an image: 0 is black throughout.
brightest() { /usr/bin/convert "$1" -crop "$2" +repage -format '%[fx:maxima]' info:; }
root() { /usr/bin/import -window root "$1"; }
# A capture of a window once two in a row agree (a still picture, settled).
settled() {
    /usr/bin/import -window "$1" "$2"
    for try in $(seq 1 20); do
        sleep 0.05
        /usr/bin/import -window "$1" "$2.next.png"
        same "$2" "$2.next.png" && return 0
        mv "$2.next.png" "$2"
    done
    fail "the picture in window $1 never settled"
}
toggle_by_alt_enter() {
    xdotool keydown --window "$win" alt Return
    sleep 0.2
    xdotool keyup --window "$win" Return alt 2>/dev/null
}

# The frame doubled in the middle of 1920 x 1080, black all around it. A
# capture taken while a frame is being written holds rows of two frames, so
# the screen is captured again until the frame is whole or two captures in a
# row agree (the frame has settled: then it is judged as it is).
check_fullscreen() {
    rm -f "$work/$1_last.png"
    for try in $(seq 1 10); do
        root "$work/$1.png"
        [ "$(/usr/bin/identify -format '%wx%h' "$work/$1.png")" = "1920x1080" ] || fail "$1: the capture is not 1920 x 1080"
        for margin in 320x1080+0+0 320x1080+1600+0 1280x60+320+0 1280x60+320+1020; do
            [ "$(brightest "$work/$1.png" $margin)" = "0" ] || fail "$1: not black outside the frame ($margin)"
        done
        /usr/bin/convert "$work/$1.png" -crop 1280x960+320+60 +repage "$work/$1_frame.png"
        [ "$(brightest "$work/$1_frame.png" 1280x960+0+0)" != "0" ] || fail "$1: the frame is black"
        /usr/bin/convert "$work/$1_frame.png" -sample 50% -sample 200% "$work/$1_doubled.png"
        same "$work/$1_frame.png" "$work/$1_doubled.png" && return 0
        [ -f "$work/$1_last.png" ] && same "$work/$1.png" "$work/$1_last.png" && break
        cp "$work/$1.png" "$work/$1_last.png"
        sleep 0.05
    done
    fail "$1: the frame is not doubled pixel for pixel"
}

check_window() {
    viewable "$win" || fail "$1: the window is not shown"
    [ "$(size_of "$win")" = "640x480" ] || fail "$1: a $(size_of "$win") window, not 640 x 480"
}

# ---- One run through every state, recorded --------------------------------------

# Within 0.8 s of a switch a press is not another toggle (see display.cpp):
# the switches here are 1 s apart.
launch --fullscreen --mute --stats --record "$work/run.rec"
sleep 1
check_fullscreen title
press F11
sleep 1
check_window "F11 on the title"
toggle_by_alt_enter
sleep 1
check_fullscreen "Alt+Enter on the title"
# Into the slide-in and the wave, switching while fire is held.
xdotool keydown --window "$win" z
sleep 0.5
press F11
sleep 1
check_window "F11 in the wave"
press F11
sleep 1
xdotool keyup --window "$win" z 2>/dev/null
check_fullscreen wave
press Tab 0.2
[ "$(/usr/bin/identify -format '%wx%h' zelto_screen.bmp 2>/dev/null)" = "640x480" ] ||
    fail "the screenshot in fullscreen is not the 640 x 480 frame"
# Paused: the same picture in both, the window's doubled equals the fullscreen's frame.
press p
sleep 0.4
check_fullscreen paused
press F11
sleep 1
check_window "F11 in the pause"
settled "$win" "$work/paused_window.png"
/usr/bin/convert "$work/paused_window.png" -sample 200% "$work/paused_window2.png"
same "$work/paused_window2.png" "$work/paused_frame.png" ||
    fail "the paused window is not the fullscreen frame halved: the run moved, or the colours differ"
# The game goes on in the window, still taking keys.
press p
sleep 0.5
/usr/bin/import -window "$win" "$work/resumed.png"
same "$work/resumed.png" "$work/paused_window.png" && fail "the game did not resume after the switches"
xdotool keydown --window "$win" Escape 2>/dev/null
ended $pid || fail "the game did not end cleanly after the switches"
pid=
[ "$(grep -c '^zelto: fullscreen' "$work/stderr")" = "0" ] || fail "fullscreen was refused"
ended=$(awk '/^zelto: state hash /{print $4}' "$work/stderr")
[ -n "$ended" ] || fail "no state hash from --stats"
replayed=$("$replay" "$work/run.rec" --data "$data" | awk '/^hash /{print $2}')
[ "$replayed" = "$ended" ] || fail "the recorded run replays to $replayed, the game ended in $ended"
echo "fullscreen and back in the title, the wave and the pause; the run replays to $ended"

# ---- A second game cannot grab the keyboard: a window instead ---------------------

launch --fullscreen --mute
other=$pid
first=$win
sleep 1
"$game" --fullscreen --mute 2>"$work/stderr" &
pid=$!
second=
for i in $(seq 1 50); do
    second=$(xdotool search --name '^Zelto Star!$' | grep -vx "$win" | head -1)
    [ -n "$second" ] && viewable "$second" && break
    sleep 0.2
done
[ -n "$second" ] || fail "the second game opened no window"
win=$second
check_window "the second game"
[ "$(grep -c 'zelto: fullscreen is not available on the X display .*; opening a window instead' "$work/stderr")" = "1" ] ||
    fail "no single line saying why fullscreen could not be had"
press F11
sleep 1
check_window "F11 in the second game"
grep -q 'staying in the window' "$work/stderr" || fail "a refused F11 said nothing"
xdotool keydown --window "$win" Escape 2>/dev/null
ended $pid || fail "the second game did not end cleanly"
pid=$other
other=
xdotool keydown --window "$first" Escape 2>/dev/null
ended $pid || fail "the first game did not end cleanly"
pid=

# ---- Other desktops ------------------------------------------------------------

# Starts an X server of the given screen on a free display: DISPLAY is set.
serve() {
    n=150
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp -noreset >/dev/null 2>&1 &
    servers="$servers $!"
    export DISPLAY=":$n"
    for i in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    fail "no X server for $1"
}

quit_game() {
    xdotool keydown --window "$win" Escape 2>/dev/null
    ended $pid || fail "$1: the game did not end cleanly"
    pid=
    ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$1: a sanitizer report"
}

serve 800x600x24
launch --scale auto --mute
[ "$(size_of "$win")" = "640x480" ] || fail "--scale auto on 800 x 600 gave $(size_of "$win")"
[ ! -s "$work/stderr" ] || fail "--scale auto on 800 x 600 printed: $(cat "$work/stderr")"
quit_game "--scale auto on 800 x 600"

serve 2600x2000x24
launch --scale auto --mute
[ "$(size_of "$win")" = "2560x1920" ] || fail "--scale auto on 2600 x 2000 gave $(size_of "$win")"
quit_game "--scale auto on 2600 x 2000"

# Desktops of 16 and 15 bits: the screen takes their depth, the picture stays right.
for depth in 16 15; do
    serve 1920x1080x$depth
    launch --fullscreen --mute
    sleep 1
    check_fullscreen "fullscreen at $depth bits"
    press F11
    sleep 0.5
    check_window "F11 at $depth bits"
    [ ! -s "$work/stderr" ] || fail "$depth bits printed: $(cat "$work/stderr")"
    quit_game "$depth bits"
done

# 8 bits: a palette; the library converts, with one line saying so.
serve 1920x1080x8
launch --fullscreen --mute
sleep 1
press F11
sleep 0.5
check_window "F11 at 8 bits"
/usr/bin/import -window "$win" "$work/eight.png"
[ "$(brightest "$work/eight.png" 640x480+0+0)" != "0" ] || fail "8 bits: the window is black"
[ "$(grep -c '8-bit colour' "$work/stderr")" = "1" ] || fail "8 bits: no single line about the colours"
quit_game "8 bits"

# ---- Under a window manager (openbox) ------------------------------------------

# Waits (10 s at most) until the window has the size given.
sized() {
    for i in $(seq 1 100); do [ "$(size_of "$1")" = "$2" ] && return 0; sleep 0.1; done
    fail "$3: the window is $(size_of "$1"), not $2"
}

serve 1920x1080x24
openbox >/dev/null 2>&1 &
servers="$servers $!"
for i in $(seq 1 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
launch --mute
[ "$(xprop -id "$win" WM_CLASS)" = 'WM_CLASS(STRING) = "zelto", "Zelto"' ] ||
    fail "the window's class is $(xprop -id "$win" WM_CLASS)"
xprop -id "$win" _NET_WM_ICON | grep -q 'Icon (48 x 48)' || fail "no 48 x 48 icon on the window"
# The window manager's own fullscreen gives the picture F11 gives, and the
# game stays one of its windows (listed for the task switcher).
wmctrl -r 'Zelto Star!' -b add,fullscreen
sized "$win" 1920x1080 "wmctrl add,fullscreen"
check_fullscreen "openbox's fullscreen"
wmctrl -l | grep -q 'Zelto Star!$' || fail "the window manager does not list the game while fullscreen"
wmctrl -r 'Zelto Star!' -b remove,fullscreen
sized "$win" 640x480 "wmctrl remove,fullscreen"
check_window "openbox's fullscreen left"
# F11 asks the window manager, which says so.
press F11
sized "$win" 1920x1080 "F11 under openbox"
xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || fail "F11 under openbox: not fullscreen by the window manager"
check_fullscreen "F11 under openbox"
wmctrl -l | grep -q 'Zelto Star!$' || fail "the window manager does not list the game after F11"
# Destroyed from outside: the game shuts down as for Esc, saying so once.
xdotool windowclose "$win" 2>/dev/null
ended $pid || fail "the game ended with status $? when its window was destroyed"
pid=
[ "$(cat "$work/stderr")" = "zelto: the window was closed from outside; quitting" ] ||
    fail "a destroyed window did not give the one line"
echo "under openbox: class, icon, its fullscreen and F11's give the same picture; a destroyed window quits"

# ---- A Wayland desktop's X (weston with XWayland, nested in Xvfb) ---------------

serve 1920x1080x24
outer=$DISPLAY
runtime="$work/runtime"
mkdir -m 700 "$runtime"
XDG_RUNTIME_DIR=$runtime weston --backend=x11-backend.so --xwayland --socket="zelto-$$" --width=1920 --height=1080 \
    --use-pixman --log="$work/weston.log" >/dev/null 2>&1 &
servers="$servers $!"
for i in $(seq 1 100); do grep -q 'xserver listening on display' "$work/weston.log" 2>/dev/null && break; sleep 0.1; done
xwayland=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)
[ -n "$xwayland" ] || fail "weston started no XWayland: $(cat "$work/weston.log")"
for i in $(seq 1 100); do DISPLAY=$xwayland xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# Keys go in through weston's own window on the outer display.
key_in() { DISPLAY=$outer xdotool keydown "$1"; sleep 0.2; DISPLAY=$outer xdotool keyup "$1"; }

for how in F11 --fullscreen; do
    export DISPLAY=$xwayland
    if [ $how = F11 ]; then launch --mute; sleep 1; key_in F11; else launch --mute --fullscreen; fi
    sized "$win" 1920x1080 "$how under XWayland"
    export DISPLAY=$outer
    check_fullscreen "$how under XWayland"
    key_in Escape
    ended $pid || fail "$how under XWayland: Esc did not end the game"
    pid=
done
echo "under weston's XWayland: F11 and --fullscreen show the frame enlarged, and Esc ends the game"
echo "window fullscreen test passed"
