# Shared by the window tests that look for the ship at the right edge of its
# column (sourced after xvfb_common.sh, in the data folder): the ship, its
# shots and where they must be in a Tab screenshot.
# "x y r g b" per pixel of an image (with optional ImageMagick operators).
pixels() { "$im/convert" "$@" -depth 8 txt:- | awk -F'[^0-9]+' '!/^#/ { print $1, $2, $3, $4, $5 }'; }

set -- $("$im/identify" -format '%w %h' p_ship.bmp)
w=$1 h=$2
set -- $("$im/identify" -format '%w %h' p_shot.bmp)
bw=$1
# The ship rests at (512, 240): its sprite ends where the right panel begins.
sx=$((512 - w / 2)) sy=$((240 - h / 2))
pixels p_ship.bmp >"$work/ship.txt"
pixels p_shot.bmp >"$work/shot.txt"

# Most bright ship pixels are where they belong, at full, half or three
# quarter strength (solid, ghost, last ghost pass) over the black sky.
ship_there() {
    pixels "$1" -crop "${w}x${h}+$sx+$sy" +repage >"$work/seen.txt"
    awk 'function near(a, b) { return a - b <= 12 && b - a <= 12 }
         function bright(r, g, b) { return (r >= 96 || g >= 96 || b >= 96) && !(r == 255 && g == 0 && b == 255) }
         NR == FNR { if (bright($3, $4, $5)) { k = $1 " " $2; R[k] = $3; G[k] = $4; B[k] = $5; n++ } next }
         ($1 " " $2) in R { k = $1 " " $2
             for (f = 2; f <= 4; f++)
                 if (near($3, R[k] * f / 4) && near($4, G[k] * f / 4) && near($5, B[k] * f / 4)) { hit++; break } }
         END { print "ship pixels in place: " hit + 0 " of " n; exit !(n > 0 && hit >= 0.7 * n) }' \
        "$work/ship.txt" "$work/seen.txt"
}

# The ten columns left of the ship's box are dark: it is not short of the edge.
left_clear() {
    pixels "$1" -crop "10x${h}+$((sx - 10))+$sy" +repage |
        awk '$3 > 40 || $4 > 40 || $5 > 40 { lit++ } END { print "lit left of the ship: " lit + 0; exit !(lit <= NR / 10) }'
}

# Shots above the ship: at least two shots' worth of shot-coloured pixels in
# the ship's column between the top and the ship.
shots_above() {
    pixels "$1" -crop "${bw}x${sy}+$((512 - bw / 2))+0" +repage >"$work/column.txt"
    awk 'function near(a, b) { return a - b <= 12 && b - a <= 12 }
         BEGIN { n = 0 }
         NR == FNR { if (($3 >= 96 || $4 >= 96 || $5 >= 96) && !($3 == 255 && $4 == 0 && $5 == 255)) { R[n] = $3; G[n] = $4; B[n] = $5; n++ } next }
         { for (i = 0; i < n; i++) if (near($3, R[i]) && near($4, G[i]) && near($5, B[i])) { hit++; break } }
         END { print "shot pixels above: " hit + 0 " (one shot " n ")"; exit !(n > 0 && hit >= 2 * n) }' \
        "$work/shot.txt" "$work/column.txt"
}

# Saves screenshots with the screenshot key (Tab unless given) until one
# shows the ship at the right edge with shots above it, eight at most;
# false when none does (an enemy may down the ship just then).
ship_seen_at_edge() {
    for try in 1 2 3 4 5 6 7 8; do
        rm -f zelto_screen.bmp
        xdotool keydown --window "$win" "${1:-Tab}"
        sleep 0.15
        xdotool keyup --window "$win" "${1:-Tab}" 2>/dev/null
        sleep 0.2
        [ -f zelto_screen.bmp ] || fail "${1:-Tab} saved no screenshot"
        cp zelto_screen.bmp "$work/try$try.bmp"
        echo "try $try:"
        if ship_there "$work/try$try.bmp" && left_clear "$work/try$try.bmp" && shots_above "$work/try$try.bmp"; then
            return 0
        fi
        sleep 0.6
    done
    return 1
}
