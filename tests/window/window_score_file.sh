#!/bin/sh
# The score file in the real game, under Xvfb: a named pipe, a folder or a
# device in its place never holds the game up (it starts, one line names
# the file, Esc ends it with status 0), and two copies playing in one
# folder at once both get their runs into the table.
# Usage: window_score_file.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

# Waits at most $2 seconds for process $1 to end; its status in $status.
ends_within() {
    n=0
    while kill -0 "$1" 2>/dev/null && [ $n -lt $(($2 * 10)) ]; do sleep 0.1; n=$((n + 1)); done
    kill -0 "$1" 2>/dev/null && return 1
    wait "$1"
    status=$?
    return 0
}

for kind in pipe folder device; do
    rm -rf zelto_score.dat
    case $kind in
    pipe) mkfifo zelto_score.dat ;;
    folder) mkdir zelto_score.dat ;;
    device) ln -s /dev/zero zelto_score.dat ;;
    esac
    launch --mute  # fails unless the window opens within 10 s
    sleep 0.8      # past the title's first 25 passes, when Esc is honoured
    xdotool keydown --window "$win" Escape 2>/dev/null
    ends_within $pid 5 || fail "$kind: Esc did not end the game within 5 s"
    pid=
    xdotool keyup Escape 2>/dev/null
    [ $status -eq 0 ] || fail "$kind: exit status $status"
    [ "$(grep -c 'zelto_score.dat' "$work/stderr")" -eq 1 ] ||
        fail "$kind: not one line naming zelto_score.dat"
    case $kind in
    pipe) [ -p zelto_score.dat ] ;;
    folder) [ -d zelto_score.dat ] ;;
    device) [ "$(readlink zelto_score.dat)" = /dev/zero ] ;;
    esac || fail "$kind: the game replaced it"
    echo "$kind: $(grep zelto_score.dat "$work/stderr")"
done

# Two copies in one folder, both started before either ends its run. The
# table they read holds only negative scores, so each run (0 or more)
# takes a place of its own: a copy that wrote the table it read at
# start-up would leave one run and four of those.
rm -rf zelto_score.dat
printf -- '-1\n-2\n-3\n-4\n-5\n' >zelto_score.dat
windows() { xdotool search --name '^Zelto Star!$' 2>/dev/null | sort; }

"$game" --mute 2>"$work/first.err" &
first=$!
for i in $(seq 1 100); do [ -n "$(windows)" ] && break; sleep 0.1; done
win1=$(windows | head -1)
[ -n "$win1" ] || fail "the first copy opened no window"
"$game" --mute 2>"$work/second.err" &
second=$!
for i in $(seq 1 100); do [ "$(windows | wc -l)" -ge 2 ] && break; sleep 0.1; done
win2=$(windows | grep -vx "$win1" | head -1)
[ -n "$win2" ] || fail "the second copy opened no window"
trap 'kill $first $second 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.8

# The first holds fire from the title on and scores; the second only
# starts. Unsteered, each ship is hit three times within about a minute.
xdotool keydown --window "$win1" z
press_on() { xdotool keydown --window "$1" "$2"; sleep 0.2; xdotool keyup --window "$1" "$2" 2>/dev/null; }
press_on "$win2" z
both=
for i in $(seq 1 100); do
    if [ "$(sed -n '4p;5p' zelto_score.dat | tr '\n' ' ')" = "-2 -3 " ]; then
        both=yes
        break
    fi
    sleep 1
done
xdotool keyup --window "$win1" z 2>/dev/null
table=$(tr '\n' ' ' <zelto_score.dat)
for w in "$win1" "$win2"; do xdotool keydown --window "$w" Escape 2>/dev/null; done
ends_within $first 5 || fail "the first copy did not end on Esc"
first_status=$status
ends_within $second 5 || fail "the second copy did not end on Esc"
second_status=$status
cat "$work/first.err" "$work/second.err" >"$work/stderr"
[ -n "$both" ] || fail "after 100 s the table is $table: a run is missing"
[ $first_status -eq 0 ] && [ $second_status -eq 0 ] ||
    fail "the copies ended with status $first_status and $second_status"
echo "$table" | awk '{exit !($1 >= $2 && $2 >= 0 && $3 == -1)}' || fail "the table is $table"
[ -z "$(ls -A | grep '^zelto_score\.dat.')" ] || fail "files left behind: $(ls -A)"
echo "two copies: the table is $table"
echo "window score file test passed"
