#!/bin/sh
# Every asset file damaged in turn - missing, empty, cut in half, replaced
# by random bytes - and a few crafted ones stop the real game before its
# title: a message naming the file, a non-zero status (not a signal), within
# two seconds, and no sanitizer report.
# Usage: window_bad_assets.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
set -u
game=$1
data=$2
work=$(mktemp -d)
im=/usr/bin  # ImageMagick's tools, whatever other `convert` is on PATH
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
# Starts the game on the damaged $file, puts the file back and judges how it ended.
try() {
    what=$1
    start=$(date +%s%N)
    timeout 10 "$game" --mute >/dev/null 2>"$work/stderr" </dev/null
    status=$?
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    cp "$work/clean/$file" "$file"
    [ $status -ne 0 ] || fail "$what: the game started (status 0)"
    [ $status -ne 124 ] || fail "$what: the game hung"
    [ $status -lt 128 ] || fail "$what: the game died of signal $((status - 128))"
    [ $ms -le 2000 ] || fail "$what: the game took $ms ms to stop"
    grep -qF "$(basename "$file")" "$work/stderr" || fail "$what: the message does not name the file"
    ! grep -q -e 'Sanitizer' -e 'runtime error' "$work/stderr" || fail "$what: a sanitizer report"
    [ $ms -gt $slowest ] && slowest=$ms
    cases=$((cases + 1))
}

while IFS= read -r file; do
    size=$(wc -c <"$work/clean/$file")
    for damage in missing empty half random; do
        case $damage in
        missing) rm "$file" ;;
        empty) : >"$file" ;;
        half) head -c $((size / 2)) "$work/clean/$file" >"$file" ;;
        random) perl -e 'srand(7); print map { chr(int(rand(256))) } 1 .. $ARGV[0]' "$size" >"$file" ;;
        esac
        try "$file $damage"
    done
done <"$work/assets"

# Files that are well formed but no asset the game can use (more of them,
# headless, in asset_tests): an 8-bit font sheet without glyph boxes, on
# which the library's font grabber crashed, a 24-bit one, and sprites far
# larger than the frame.
file=./zelto_sfont.pcx
perl -e 'print pack("CCCCv4v2", 10, 5, 1, 8, 0, 0, 144, 84, 72, 72), "\0" x 49, pack("Cvv", 1, 146, 1),
         "\0" x 58, ("\xff\0\xff\0\xd4\0") x 85, "\x0c", "\0" x 768' >"$file"
try "a font sheet without glyph boxes"
file=./zelto_lfont.pcx
$im/convert -size 145x85 xc:yellow -type truecolor PCX:"$file"
try "a 24-bit font sheet"
file=./exp.bmp
$im/convert -size 4096x4096 xc:red -type palette BMP3:"$file"
try "a 4096 x 4096 sprite"
file="./ZS BOSS - VORTEX/core.bmp"
$im/convert -size 641x480 xc:red BMP3:"$file"
try "a boss image wider than the frame"
echo "window bad assets passed: $cases cases, the slowest stopped after $slowest ms"
