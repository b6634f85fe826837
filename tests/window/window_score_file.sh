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
trap 'rm -rf "$work"' EXIT

# Plays one run to Game Over with fire held, unsteered, until `$1` holds
# (at most 100 s), then quits with Esc: the status in $status.
play_until() {
    launch --mute
    sleep 0.8
    xdotool keydown --window "$win" z
    n=0
    until eval "$1" || [ $n -ge 100 ]; do sleep 1; n=$((n + 1)); done
    xdotool keyup --window "$win" z 2>/dev/null
    eval "${2:-:}"
    xdotool keydown --window "$win" Escape 2>/dev/null
    ends_within $pid 10 || fail "Esc did not end the game"
    pid=
    xdotool keyup Escape 2>/dev/null
}

# A damaged table beside five replays the game kept and one of the
# player's named like one: the table is set aside, all six stay.
rm -rf zelto_score.dat* replays
mkdir replays
for s in 00050 00040 00030 00020 00010; do
    echo old >"replays/${s}_2020-01-01_10-00-00.zrec"
    echo "${s}_2020-01-01_10-00-00.zrec" >>replays/.kept
done
echo mine >replays/00001_2020-01-01_10-00-00.zrec
printf 'ninety eighty\n' >zelto_score.dat
play_until '[ -f zelto_score.dat.damaged ]'
[ -f zelto_score.dat.damaged ] || fail "damaged table: no Game Over within 100 s"
[ "$(cat zelto_score.dat.damaged)" = "ninety eighty" ] || fail "the damaged text was not kept"
[ "$(ls replays/*_2020-01-01_10-00-00.zrec | wc -l)" -eq 6 ] || fail "replays lost: $(ls replays)"
grep -q 'kept as zelto_score.dat.damaged' "$work/stderr" || fail "no line says where the table went"
echo "damaged table: $(grep damaged "$work/stderr")"

# A table the player may not read, as after a run as root: run as another
# user, the table and the replays there stay as they were (the run adds
# its own), and a line says so.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
    printf '53\n40\n30\n20\n10\n' >zelto_score.dat
    chmod 755 "$work"
    chmod -R a+rwX "$work/data"
    chown root zelto_score.dat
    chmod 600 zelto_score.dat
    cp "${XAUTHORITY:-/dev/null}" "$work/xauth" 2>/dev/null && chmod 644 "$work/xauth"
    before=$(md5sum replays/*_2020-01-01_*)
    real_game=$game
    cp "$game" "$work/zelto"
    printf '#!/bin/sh\nexec setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="%s" XAUTHORITY="%s" "%s" "$@"\n' \
        "$work/data" "$work/xauth" "$work/zelto" >"$work/as_nobody"
    chmod 755 "$work/as_nobody" "$work/zelto"
    game=$work/as_nobody
    play_until 'grep -q "cannot save the scores" "$work/stderr"'
    game=$real_game
    [ "$(tr '\n' ' ' <zelto_score.dat)" = "53 40 30 20 10 " ] || fail "the unreadable table was replaced"
    [ "$(md5sum replays/*_2020-01-01_*)" = "$before" ] || fail "replays changed: $(ls replays)"
    grep -q 'cannot read it: Permission denied' "$work/stderr" || fail "no line says why"
    echo "unreadable table: $(grep 'cannot save' "$work/stderr")"
    rm -f zelto_score.dat
else
    echo "unreadable table: skipped (needs root and setpriv to play as another user)"
fi

# Another copy holds the score lock all through Game Over and lets go
# before the player quits: the run is in the table after Esc.
rm -rf zelto_score.dat* replays
python3 -c 'import fcntl, os, time
fd = os.open(".", os.O_RDONLY); fcntl.flock(fd, fcntl.LOCK_EX); open("locked", "w").close(); time.sleep(600)' &
holder=$!
trap 'kill $holder 2>/dev/null; rm -rf "$work"' EXIT
for i in $(seq 1 50); do [ -f locked ] && break; sleep 0.1; done
play_until 'grep -q "kept its folder locked" "$work/stderr"' 'kill $holder; wait $holder 2>/dev/null; sleep 0.5'
grep -q "kept its folder locked" "$work/stderr" || fail "lock: no Game Over within 100 s"
[ $status -eq 0 ] || fail "lock: exit status $status"
[ -f zelto_score.dat ] && [ "$(head -1 zelto_score.dat)" -gt 0 ] ||
    fail "lock: the run is not in the table after Esc: $(cat zelto_score.dat 2>/dev/null)"
! grep -q 'not saved' "$work/stderr" || fail "lock: said not saved at quit"
echo "lock held at Game Over: the table is $(tr '\n' ' ' <zelto_score.dat)"
echo "window score file test passed"
