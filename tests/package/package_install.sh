#!/bin/sh
# The Debian package installed system-wide, as a player installs it: dpkg -i
# (apt-get install -f for missing libraries), /usr/games/zelto --version, the
# installed game started from an empty folder with a fresh HOME plays to game
# over and keeps its scores under that HOME, and dpkg -r removes every file
# the package installed. It changes the system, so it runs only when asked
# (ZELTO_TEST_SYSTEM_INSTALL=1, as CI sets it) and as root; otherwise it is
# skipped. Run inside xvfb-run.
# Usage: package_install.sh BUILD_DIR VERSION
set -u
skip() { echo "skipped: $*"; exit 77; }
[ "${ZELTO_TEST_SYSTEM_INSTALL:-}" = 1 ] \
    || skip "installs the package system-wide; set ZELTO_TEST_SYSTEM_INSTALL=1 to run it"
[ "$(id -u)" -eq 0 ] || skip "needs root to install the package"

build=$(realpath "$1")
version=$2
work=$(mktemp -d)
pid=
installed=
fail() { echo "FAIL: $*"; [ -s "$work/stderr" ] && cat "$work/stderr"; exit 1; }
# A failed run leaves no package behind.
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "$installed" ] && dpkg -r zelto >/dev/null 2>&1; rm -rf "$work"' EXIT

status() { dpkg-query -W -f '${db:Status-Status}' zelto 2>/dev/null; }
if [ "$(status)" = installed ]; then
    fail "zelto is installed on this system already; this test installs and removes its own"
fi

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb="$work/out/zelto_${version}_$(dpkg --print-architecture).deb"

# ---- Install ------------------------------------------------------------------------------
installed=yes
if ! dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    echo "dpkg -i left dependencies to install: $(tail -3 "$work/dpkg.log")"
    DEBIAN_FRONTEND=noninteractive apt-get install -f -y -q >"$work/apt.log" 2>&1 \
        || { cat "$work/apt.log"; fail "apt-get install -f failed"; }
fi
[ "$(status)" = installed ] || { cat "$work/dpkg.log"; fail "the package is not installed"; }
dpkg -L zelto >"$work/owned" || fail "dpkg -L zelto failed"
[ "$(/usr/games/zelto --version)" = "Zelto Star! $version" ] || fail "/usr/games/zelto --version is wrong"

# ---- Play: from an empty folder, a fresh HOME, no XDG folders set -----------------------
mkdir "$work/home" "$work/empty"
cd "$work/empty"
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_STATE_HOME -u XDG_CACHE_HOME \
    HOME="$work/home" /usr/games/zelto 2>"$work/stderr" &
pid=$!
win=$(timeout 10 xdotool search --sync --name '^Zelto Star!$' | head -1)
[ -n "$win" ] || fail "the installed game opened no window"
xdotool keydown --window "$win" z
sleep 0.3
xdotool keyup --window "$win" z 2>/dev/null
# Unsteered, the ship is hit three times within a minute: game over writes the scores.
scores="$work/home/.local/share/zelto/zelto_score.dat"
for i in $(seq 1 100); do
    [ -f "$scores" ] && break
    kill -0 $pid 2>/dev/null || fail "the installed game ended before game over"
    sleep 1
done
[ -f "$scores" ] || fail "no score file under the fresh HOME ($scores)"
[ -z "$(ls -A "$work/empty")" ] || fail "the installed game wrote into the working folder"
xdotool keydown --window "$win" Escape 2>/dev/null
wait $pid || fail "the installed game did not end cleanly"
pid=
cd /

# ---- Remove: every file the package installed goes --------------------------------------
while IFS= read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        echo "$path" >>"$work/owned_dirs"
    else
        echo "$path" >>"$work/owned_files"
    fi
done <"$work/owned"
dpkg -r zelto >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -r zelto failed"; }
installed=
# With no conffiles dpkg forgets the package at once.
case "$(status)" in
    "" | not-installed) ;;
    *) fail "after dpkg -r the package is $(status)" ;;
esac
left=
while IFS= read -r path; do
    { [ -e "$path" ] || [ -L "$path" ]; } && left="$left $path"
done <"$work/owned_files"
[ -z "$left" ] || fail "dpkg -r left files behind:$left"
# Its own folders go too; shared ones (/usr/share/icons/...) stay while others use them.
for dir in /usr/share/games/zelto /usr/share/doc/zelto; do
    [ -e "$dir" ] && fail "dpkg -r left $dir behind"
done
[ -f "$scores" ] || fail "dpkg -r took the player's scores"
echo "package install test passed: $(wc -l <"$work/owned_files") files installed and removed"
