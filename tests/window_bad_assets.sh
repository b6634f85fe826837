#!/bin/sh
# Every asset file damaged in turn - missing, empty, cut in half, replaced
# by random bytes - stops the real game before its title: a message naming
# the file, a non-zero status (not a signal), within two seconds, and no
# sanitizer report.
# Usage: window_bad_assets.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
set -u
game=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; [ -f "$work/stderr" ] && cat "$work/stderr"; exit 1; }

cp -r "$data" "$work/run"
cp -r "$data" "$work/clean"
rm -f "$work/run/zelto_score.dat" "$work/run/zelto_screen.bmp"
(cd "$work/clean" && find . -type f \( -iname '*.bmp' -o -iname '*.wav' -o -iname '*.pcx' \
    -o -iname '*.xm' \) ! -name zelto_screen.bmp | sort) >"$work/assets"
[ -s "$work/assets" ] || fail "no assets found in $data"
cd "$work/run"

# --mute: probing for a sound card makes libasound keep its parsed settings
# to the end, which a leak-checking build reports (and spends seconds on) at
# exit. The assets are loaded all the same.

cases=0
slowest=0
while IFS= read -r file; do
    size=$(wc -c <"$work/clean/$file")
    for damage in missing empty half random; do
        case $damage in
        missing) rm "$file" ;;
        empty) : >"$file" ;;
        half) head -c $((size / 2)) "$work/clean/$file" >"$file" ;;
        random) perl -e 'srand(7); print map { chr(int(rand(256))) } 1 .. $ARGV[0]' "$size" >"$file" ;;
        esac
        start=$(date +%s%N)
        timeout 10 "$game" --mute >/dev/null 2>"$work/stderr" </dev/null
        status=$?
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        cp "$work/clean/$file" "$file"
        what="$file $damage"
        [ $status -ne 0 ] || fail "$what: the game started (status 0)"
        [ $status -ne 124 ] || fail "$what: the game hung"
        [ $status -lt 128 ] || fail "$what: the game died of signal $((status - 128))"
        [ $ms -le 2000 ] || fail "$what: the game took $ms ms to stop"
        grep -qF "$(basename "$file")" "$work/stderr" || fail "$what: the message does not name the file"
        ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$what: a sanitizer report"
        [ $ms -gt $slowest ] && slowest=$ms
        cases=$((cases + 1))
    done
done <"$work/assets"
echo "window bad assets passed: $cases cases, the slowest stopped after $slowest ms"
