#!/bin/sh
# Watching a run in the real window under Xvfb. A run played with keys and
# recorded (--record, and kept as replays/last.zrec), then watched with
# --replay: it ends in the same state as build/replay says, and its last
# frame is the one the player saw last; holding F gets there in about a
# quarter of the time; Esc leaves a replay with status 0; a recording of
# another version is refused with one line.
# Usage: window_replay.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
# Set KEEP_END=file.png to keep the end of the replay for a look.
. "$(dirname "$0")/xvfb_common.sh"

replayer=$(dirname "$game")/replay
same() { [ "$($im/compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
now() { date +%s.%N; }

# Share of lit pixels in the band "End of replay" is written in.
end_lit() {
    $im/convert "$1" -crop 300x30+170+130 +repage -colorspace gray -threshold 50% \
        -format '%[fx:mean]' info:
}

# Waits (at most $1 seconds) for the end of the replay: the picture stops
# moving (the stars move on every pass) with "End of replay" over it.
# Prints the time of the first capture of it.
wait_end() {
    limit=$(awk "BEGIN{printf \"%.3f\", $(now) + $1}")
    t_a=$(now)
    $im/import -window "$win" "$work/still_a.png"
    while awk "BEGIN{exit !($(now) < $limit)}"; do
        t_b=$(now)
        $im/import -window "$win" "$work/still_b.png"
        if same "$work/still_a.png" "$work/still_b.png" &&
           awk "BEGIN{exit !($(end_lit "$work/still_a.png") > 0.08)}"; then
            echo "$t_a"
            return 0
        fi
        mv "$work/still_b.png" "$work/still_a.png"
        t_a=$t_b
    done
    return 1
}

# ---- A run played with keys, recorded -------------------------------------------
launch --record "$work/run.zrec" --mute
xdotool keydown --window "$win" z   # start, then fire all along
sleep 1.5                           # the title's 25 passes and the slide-in
for k in Left Up Right Right Down Left Up Left Right Down; do
    press "$k" 0.6
done
sleep 7                             # long enough to seek 10 s in
# Tab held into the Esc: the screenshot is the last frame of the run.
xdotool keydown --window "$win" Tab
sleep 0.3
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the recorded game did not end cleanly"
pid=
[ -f zelto_screen.bmp ] || fail "Tab saved no screenshot in the recorded run"
mv zelto_screen.bmp "$work/played.bmp"
[ -f replays/last.zrec ] || fail "the run was not kept as replays/last.zrec"

"$replayer" "$work/run.zrec" --data . >"$work/replayer.txt" || fail "build/replay refused the recording"
want=$(grep '^hash ' "$work/replayer.txt")
passes=$(awk '/^passes /{print $2}' "$work/replayer.txt")
[ "$passes" -gt 300 ] || fail "only $passes passes were recorded"
kept=$("$replayer" replays/last.zrec --data . | grep '^hash ')
[ "$kept" = "$want" ] || fail "replays/last.zrec replays to $kept, the recording to $want"

# ---- Watched at the game's pace --------------------------------------------------
started=$(now)
"$game" --replay "$work/run.zrec" --stats --mute >"$work/watch.txt" 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "--replay opened no window"
ended=$(wait_end 60) || fail "the replay never came to rest on its last frame with 'End of replay'"
normal=$(awk "BEGIN{print $ended - $started}")
[ -n "${KEEP_END:-}" ] && cp "$work/still_a.png" "$KEEP_END"
press Tab 0.2
[ -f zelto_screen.bmp ] || fail "Tab saved no screenshot at the end of the replay"
same zelto_screen.bmp "$work/played.bmp" ||
    fail "the replay's last frame differs from the recorded run's"
rm zelto_screen.bmp
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "Esc at the end of the replay did not end it cleanly"
pid=
got=$(grep '^hash ' "$work/watch.txt")
[ -n "$got" ] || fail "--replay --stats printed no hash: $(cat "$work/watch.txt")"
[ "$got" = "$want" ] || fail "--replay ended with $got, build/replay with $want"
grep -q "^passes $passes\$" "$work/watch.txt" || fail "--replay played other than $passes passes"

# ---- Fast forward: F held from the start -----------------------------------------
started=$(now)
launch --replay "$work/run.zrec" --mute
xdotool keydown --window "$win" f
ended=$(wait_end 60) || fail "the fast replay never came to rest on its last frame"
fast=$(awk "BEGIN{print $ended - $started}")
xdotool keyup --window "$win" f
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the fast replay did not end cleanly"
pid=
share=$(awk "BEGIN{printf \"%.2f\", $fast / $normal}")
echo "replay of $passes passes: ${normal}s, with F held ${fast}s ($share)"
awk "BEGIN{exit !($share > 0.12 && $share < 0.4)}" ||
    fail "fast forward took $share of the time, not about a quarter"

# ---- Esc in the middle of a replay -------------------------------------------------
launch --replay "$work/run.zrec" --stats --mute
sleep 2
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid
status=$?
pid=
[ $status -eq 0 ] || fail "Esc during a replay gave status $status"

# ---- Paused, stepped and sought --------------------------------------------------
# Home, then five steps while paused, then one more: the frame moves on by a
# pass. Right then Left seek 10 s ahead and back to that same pass: the frame
# (Tab) and the window (bar and "Paused" over it) are those the step reached.
settle() {
    $im/import -window "$win" "$work/settle_a.png"
    for i in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.2
        $im/import -window "$win" "$1"
        same "$1" "$work/settle_a.png" && return 0
        cp "$1" "$work/settle_a.png"
    done
    fail "the paused replay never settled"
}
frame() { rm -f zelto_screen.bmp; press Tab 0.15; mv zelto_screen.bmp "$1"; }
launch --replay "$work/run.zrec" --mute
sleep 3
press p 0.1
press Home 0.1
for i in 1 2 3 4 5; do press period 0.1; done
frame "$work/five.bmp"
press period 0.1
frame "$work/six.bmp"
settle "$work/six.png"
same "$work/five.bmp" "$work/six.bmp" && fail "a step while paused did not move the run on"
press Right 0.1
settle "$work/ahead.png"
same "$work/ahead.png" "$work/six.png" && fail "Right did not seek ahead"
press Left 0.1
frame "$work/back.bmp"
settle "$work/back.png"
same "$work/back.bmp" "$work/six.bmp" || fail "a seek back reached another frame than stepping did"
same "$work/back.png" "$work/six.png" || fail "the window after a seek back differs from the one stepping showed"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "Esc while paused did not end the replay cleanly"
pid=
echo "paused, stepped and sought: the same frame either way"

# ---- --verify, and a run opened as the desktop opens it ----------------------------
"$game" --verify "$work/run.zrec" >"$work/verify.txt" 2>"$work/stderr" ||
    fail "--verify refused a whole run: $(cat "$work/stderr")"
grep -q "^$want\$" "$work/verify.txt" || fail "--verify printed another hash: $(cat "$work/verify.txt")"
head -c -30 "$work/run.zrec" >"$work/cut.zrec"
"$game" --verify "$work/cut.zrec" >/dev/null 2>"$work/stderr" && fail "--verify passed a cut run"
grep -q "cut short" "$work/stderr" || fail "a cut run, not said: $(cat "$work/stderr")"
launch "$work/run.zrec" --mute
ended=$(wait_end 60) || fail "a run opened as zelto FILE never came to its end"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "a run opened as zelto FILE did not end cleanly"
pid=

# ---- Another version's recording -----------------------------------------------------
ours=$("$game" --version | awk '{print $NF}')
printf 'ZELTOREC\003\000\0050.9.0\052\000\000\000' >"$work/old.zrec"
head -c 24 /dev/zero >>"$work/old.zrec"
"$game" --replay "$work/old.zrec" 2>"$work/stderr" && fail "a recording of 0.9.0 was played"
[ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not one line: $(cat "$work/stderr")"
grep -q "0.9.0.*$ours" "$work/stderr" || fail "the refusal names not both versions: $(cat "$work/stderr")"
echo "window replay test passed"
