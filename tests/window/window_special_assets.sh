#!/bin/sh
# One asset of each kind the game opens - a sprite, a sound, a font sheet, a
# song and a boss image - replaced in turn by a named pipe, a folder and
# /dev/zero: the real game, in its window, stops with one line naming the
# file and a non-zero status (not a signal), within two seconds, and no
# sanitizer report. A pipe once left it waiting for good behind a black
# window that neither Esc nor the close button could end.
# Usage: window_special_assets.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

cases=0
slowest=0
for file in exp.bmp p_enter.wav zelto_sfont.pcx EXP4A.XM "ZS BOSS - ANGEL//ship.bmp"; do
    cp "$file" "$work/kept"
    for special in pipe folder zero; do
        rm "$file"
        case $special in
        pipe) mkfifo "$file" ;;
        folder) mkdir "$file" ;;
        zero) ln -s /dev/zero "$file" ;;
        esac
        start=$(date +%s%N)
        # --mute: see window_bad_assets.sh.
        timeout 10 "$game" --mute >/dev/null 2>"$work/stderr" </dev/null
        status=$?
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        rm -rf "$file"
        cp "$work/kept" "$file"
        what="$file as $special"
        [ $status -ne 124 ] || fail "$what: the game hung"
        [ $status -ne 0 ] || fail "$what: the game started (status 0)"
        [ $status -lt 128 ] || fail "$what: the game died of signal $((status - 128))"
        [ $ms -le 2000 ] || fail "$what: the game took $ms ms to stop"
        [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "$what: not one line"
        grep -qF "zelto: cannot load $file: " "$work/stderr" || fail "$what: the line does not name the file"
        ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$what: a sanitizer report"
        [ $ms -gt $slowest ] && slowest=$ms
        cases=$((cases + 1))
    done
done
echo "window special assets passed: $cases cases, the slowest stopped after $slowest ms"
