#!/bin/sh
# The real game under Xvfb: holding Right takes the ship to the right edge of
# its column, where it stays, and holding Z puts its shots above it. Judged
# from Tab screenshots, as solid ship or ghost, retried a few times in case
# an enemy downs the ship just then.
# Usage: window_steering.sh ZELTO_BINARY DATA_DIR   (run inside xvfb-run)
. "$(dirname "$0")/xvfb_common.sh"

. "$here/ship_common.sh"

launch
sleep 0.5

# Z through the title and the slide-in, then kept held with Right: the ship
# needs 20 passes to reach the edge and is solid after about 2 s.
xdotool keydown --window "$win" z
sleep 1.5
xdotool keydown --window "$win" Right
sleep 3

ok=
ship_seen_at_edge && ok=1
xdotool keyup --window "$win" Right 2>/dev/null
xdotool keyup --window "$win" z 2>/dev/null
[ -n "$ok" ] || fail "no screenshot showed the ship at the right edge with shots above it"

xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid
echo "window steering test passed"
