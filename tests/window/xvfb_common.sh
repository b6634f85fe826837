# Shared start of the window_*.sh scripts (sourced, with the script's own
# arguments ZELTO_BINARY DATA_DIR): a fresh copy of the data folder as the
# working folder, removed at the end, and helpers to start the game in its
# window and press its keys.
set -u
game=$(realpath "$1")
data=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
im=/usr/bin  # ImageMagick's tools, whatever other `convert` is on PATH
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
# Where cmake --install puts the game under a prefix, as configured.
bindir=${ZELTO_INSTALL_BINDIR:-games}
datadir=${ZELTO_INSTALL_DATADIR:-share/games/zelto}
fail() { echo "FAIL: $*"; [ -s "$work/stderr" ] && cat "$work/stderr"; exit 1; }

# The player's own settings must not reach the game under test: it reads
# the (empty) settings folder here unless a script sets up another.
XDG_CONFIG_HOME="$work/config"
export XDG_CONFIG_HOME

cp -r "$data" "$work/data"
rm -f "$work/data/zelto_score.dat" "$work/data/zelto_screen.bmp"
cd "$work/data"

# Starts the game with the given options and finds its window: $pid, $win.
launch() {
    "$game" "$@" 2>"$work/stderr" &
    pid=$!
    win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
    [ -n "$win" ] || fail "no window titled 'Zelto Star!'"
}

# Holds a key (0.2 s unless given): long enough for a 19 ms pass to see it.
press() {
    xdotool keydown --window "$win" "$1"
    sleep "${2:-0.2}"
    xdotool keyup --window "$win" "$1" 2>/dev/null
}

# Bytes before the first pass in a recording of this game: magic, format,
# the version (a length byte and its characters), seed, run start, table.
header_size() {
    v=$("$game" --version | awk '{print $NF}')
    echo $((8 + 2 + 1 + ${#v} + 4 + 4 + 5 * 4 + 4))
}

# Passes in a recording of this game, from its size: each 250th pass is
# followed by its 8-byte state hash, and a file closed whole ends with a
# 21-byte end mark (255, then the number of passes, little-endian, ...).
recorded_passes() {
    size=$(wc -c <"$1")
    body=$((size - $(header_size)))
    passes_in() { echo $(($1 / 258 * 250 + ($1 % 258 < 250 ? $1 % 258 : 250))); }
    if [ $body -ge 21 ]; then
        set -- $(tail -c 21 "$1" | head -c 5 | od -An -tu1)
        n=$(passes_in $((body - 21)))
        if [ "$1" = 255 ] && [ $(($2 + 256 * $3 + 65536 * $4 + 16777216 * $5)) = "$n" ]; then
            echo "$n"
            return
        fi
    fi
    passes_in "$body"
}
