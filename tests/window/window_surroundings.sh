#!/bin/sh
# The real game started in hostile surroundings: closed standard streams, no
# display, a desktop too small for the window asked for, outputs it cannot
# write, special files where its recording and screenshot go, a recording
# cut by a kill or a full disk, a stray asset beside an installed copy.
# Nothing ends by a signal, nothing hangs, every refusal is one named line.
# Usage: window_surroundings.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

replay=$(dirname "$game")/replay
build=$(dirname "$game")
key() { xdotool "$1" --window "$win" "$2" 2>/dev/null; }
# Waits up to $1 seconds for the game to end; its status in $status.
ends_within() {
    n=0
    while kill -0 $pid 2>/dev/null && [ $n -lt $(($1 * 10)) ]; do sleep 0.1; n=$((n + 1)); done
    kill -0 $pid 2>/dev/null && fail "$2: still running after $1 s"
    wait $pid
    status=$?
    pid=
}
# Expects a finished command's status to be a plain failure, not a signal or a hang.
refused() {
    [ "$1" -ne 0 ] || fail "$2: status 0"
    [ "$1" -ne 124 ] || fail "$2: hung"
    [ "$1" -lt 128 ] || fail "$2: died of signal $(($1 - 128))"
}
one_line() {
    [ "$(grep -c . "$work/stderr")" -eq 1 ] || fail "$2: not one line: $(cat "$work/stderr")"
    grep -q -e "$1" "$work/stderr" || fail "$2: the line does not say '$1': $(cat "$work/stderr")"
}

# ---- Closed standard streams: each, and all three ---------------------------
for closed in 0 1 2 all; do
    case $closed in
    0) "$game" --mute 0<&- 2>"$work/stderr" & ;;
    1) "$game" --mute 1>&- 2>"$work/stderr" & ;;
    2) "$game" --mute 2>&- & ;;
    all) "$game" --mute 0<&- 1>&- 2>&- & ;;
    esac
    pid=$!
    win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
    [ -n "$win" ] || fail "stream $closed closed: no window"
    sleep 6
    key keydown Escape
    ends_within 3 "stream $closed closed"
    key keyup Escape
    [ $status -eq 0 ] || fail "stream $closed closed: Esc ended the game with status $status"
    echo "stream $closed closed: the game ran 6 s and Esc ended it with 0"
done

# ---- No display, or one that cannot be reached -----------------------------------
env -u DISPLAY timeout 10 "$game" --mute 2>"$work/stderr"
status=$?
refused $status "no DISPLAY"
[ $status -eq 1 ] || fail "no DISPLAY: status $status"
one_line "no X display is set" "no DISPLAY"
DISPLAY=:193 timeout 10 "$game" --mute 2>"$work/stderr"
refused $? "an unreachable display"
one_line "cannot reach the X display :193" "an unreachable display"
echo "no display: one line, status 1"

# ---- A window larger than the 800 x 600 desktop ----------------------------------
launch --scale 4 --mute
size=$(xwininfo -id "$win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$size" = "640x480" ] || fail "--scale 4 on 800 x 600 gave a $size window"
key keydown Escape
ends_within 3 "--scale 4"
one_line "does not fit the 800 x 600 desktop, using 640 x 480" "--scale 4"
echo "--scale 4 on 800 x 600: a 640 x 480 window and one line"

# ---- --help and --version into a full output ------------------------------------
for option in --help --version; do
    "$game" $option >/dev/full 2>"$work/stderr"
    refused $? "$option >/dev/full"
    one_line "cannot write" "$option >/dev/full"
done
echo "--help and --version: a failed write is a failure"

# ---- Special files as the recording ------------------------------------------------
mkfifo "$work/pipe"
mkdir "$work/folder"
for target in "$work/pipe" "$work/folder" /dev/zero /dev/full; do
    timeout 10 "$game" --mute --record "$target" 2>"$work/stderr" </dev/null
    refused $? "--record $target"
    one_line "cannot record to $target" "--record $target"
done
echo "special files as the recording: refused with one line"

# ---- A recording cut by a kill keeps all but its last second ------------------
launch --mute --record "$work/killed.rec"
started=$(date +%s%N)
key keydown z
sleep 30
kill -KILL $pid
ms=$((($(date +%s%N) - started) / 1000000))
wait $pid 2>/dev/null
pid=
# A pass lasts 19 ms, a little more on a busy machine: count 20; the first
# title pass comes well within 0.3 s.
expected=$(((ms - 300) / 20))
recorded=$(recorded_passes "$work/killed.rec")
[ $recorded -ge $((expected - 53)) ] ||
    fail "a killed run kept $recorded passes of at least $expected played"
played=$("$replay" "$work/killed.rec" --data "$data" | awk '/^passes /{print $2}')
[ "$played" = "$recorded" ] || fail "the killed run's $recorded passes replayed to $played"
echo "killed after $ms ms: $recorded passes kept (about $expected played) and replayed"

# ---- A recording that the disk stops taking ---------------------------------------
# 512-byte blocks: the header and about 500 passes, 10 s of play.
(ulimit -f 1; exec "$game" --mute --record "$work/limited.rec" 2>"$work/stderr") &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
sleep 14
kill -0 $pid || fail "a full disk ended the game"
grep -q "cannot write the recording" "$work/stderr" || fail "a failed recording write went unsaid"
key keydown Escape
ends_within 3 "a failed recording"
key keyup Escape
[ $status -eq 1 ] || fail "a game whose recording failed ended with status $status"
echo "a recording that cannot be written: said at once, status 1 at the end"

# ---- The screenshot's place taken by a link, a folder, a pipe, a device ----------
echo "not a screenshot" >"$work/victim"
ln -s "$work/victim" zelto_screen.tmp.bmp  # where the temporary file used to go
launch --mute
press z 0.2
sleep 0.8  # Tab saves frames of the game, not of the title
press Tab 0.1
sleep 0.2
[ "$(cat "$work/victim")" = "not a screenshot" ] || fail "the screenshot went through a link"
/usr/bin/identify zelto_screen.bmp >/dev/null 2>&1 || fail "no screenshot beside a stray link"
for what in link folder pipe device; do
    rm -rf zelto_screen.bmp
    case $what in
    link) ln -s "$work/victim" zelto_screen.bmp ;;
    folder) mkdir zelto_screen.bmp ;;
    pipe) mkfifo zelto_screen.bmp ;;
    device) ln -s /dev/zero zelto_screen.bmp ;;
    esac
    : >"$work/stderr"
    press Tab 0.2
    sleep 0.2
    [ "$(grep -c 'cannot save the screenshot' "$work/stderr")" -eq 1 ] ||
        fail "a $what at the screenshot's place: not one line: $(cat "$work/stderr")"
    [ "$(cat "$work/victim")" = "not a screenshot" ] || fail "the screenshot went through a $what"
done
rm -rf zelto_screen.bmp
ls | grep -q '^zelto_screen.bmp.' && fail "a temporary screenshot was left behind: $(ls)"
kill -0 $pid || fail "the game ended over its screenshot"
key keydown Escape
ends_within 3 "screenshots"
key keyup Escape
[ $status -eq 0 ] || fail "after the screenshots the game ended with status $status"
echo "the screenshot's place taken: one line each, nothing written through"

# ---- A stray asset in the folder an installed copy starts from ---------------------
cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
mkdir "$work/stray"
cp p_ship.bmp "$work/stray/"
cd "$work/stray"
XDG_DATA_HOME="$work/xdg" "$work/prefix/$bindir/zelto" --mute 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "a stray p_ship.bmp stopped the installed game: $(cat "$work/stderr")"
key keydown Escape
ends_within 3 "the installed game"
[ $status -eq 0 ] || fail "the installed game beside a stray asset ended with $status"
echo "an installed copy ignores a stray asset where it starts"
echo "window surroundings passed"
