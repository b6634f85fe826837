#!/bin/sh
# The Debian package, built with cpack into a scratch folder: exactly the
# expected files in Debian's places and nothing of the build tree, library
# dependencies found, versions that agree, a desktop entry and software-centre
# metadata that validate, icons of the sizes they claim, and no lintian error.
# Usage: package_check.sh BUILD_DIR SOURCE_DIR VERSION
# (the install folders in ZELTO_INSTALL_BINDIR and ZELTO_INSTALL_DATADIR)
set -u
build=$(realpath "$1")
src=$(realpath "$2")
version=$3
bindir=${ZELTO_INSTALL_BINDIR:-games}
datadir=${ZELTO_INSTALL_DATADIR:-share/games/zelto}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

metainfo=$(cd "$src/dist" && ls -- *.metainfo.xml)
[ "$(echo "$metainfo" | wc -l)" -eq 1 ] || fail "not one metainfo file in dist/: $metainfo"

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb="$work/out/zelto_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/out")"

# ---- What the package holds -----------------------------------------------------------
# Names follow permissions, owner, size, date and time.
dpkg-deb --contents "$deb" >"$work/contents" || fail "dpkg-deb --contents failed"
grep -v '^d' "$work/contents" | sed -E 's/^([^ ]+ +){5}//' | sort >"$work/files"
{
    echo "./usr/$bindir/zelto"
    echo "./usr/share/applications/zelto.desktop"
    echo "./usr/share/doc/zelto/changelog.gz"
    echo "./usr/share/doc/zelto/copyright"
    for size in 48 64 128 256; do
        echo "./usr/share/icons/hicolor/${size}x${size}/apps/zelto.png"
    done
    echo "./usr/share/icons/hicolor/scalable/apps/zelto.svg"
    echo "./usr/share/icons/hicolor/scalable/mimetypes/application-x-zelto-replay.svg"
    echo "./usr/share/mime/packages/zelto.xml"
    echo "./usr/share/man/man6/zelto.6.gz"
    echo "./usr/share/metainfo/$metainfo"
    # The committed assets, and nothing a game played from data/ left there.
    if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$src" ls-files data
    else
        (cd "$src" && find data -type f ! -name 'zelto_score.dat*' ! -name 'zelto_screen*.bmp')
    fi | sed "s|^data/|./usr/$datadir/|"
} | sort >"$work/expected"
diff "$work/expected" "$work/files" >"$work/diff" \
    || { cat "$work/diff"; fail "the package's files differ from the expected (< missing, > extra)"; }
for dir in "$build" "$src" CMake cmake _CPack install_manifest; do
    grep -F -- "$dir" "$work/files" && fail "the package holds something of the build tree ($dir)"
done
bad=$(grep -v '^-rw-r--r-- root/root' "$work/contents" | grep -v '^drwxr-xr-x root/root' \
      | grep -v " \./usr/$bindir/zelto\$")
[ -z "$bad" ] || fail "files not 644 (directories 755) and owned by root: $bad"
grep -q "^-rwxr-xr-x root/root .* \./usr/$bindir/zelto\$" "$work/contents" \
    || fail "the program is not 755 and owned by root"

# ---- Control fields: the libraries the game links, found by dpkg-shlibdeps -------------
depends=$(dpkg-deb --field "$deb" Depends)
for lib in liballegro4.4 libxmp4 libasound2 libc6; do
    echo "$depends" | grep -q "\\b$lib (" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb --field "$deb" Section)" = games ] || fail "the section is not games"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package version is not $version"

# ---- The files themselves ---------------------------------------------------------------
root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
[ "$("$root/usr/$bindir/zelto" --version)" = "Zelto Star! $version" ] \
    || fail "the packaged program does not say version $version"
desktop-file-validate "$root/usr/share/applications/zelto.desktop" \
    || fail "desktop-file-validate refused the desktop entry"
# Recorded runs: a file type the desktop entry opens (zelto FILE watches it).
grep -q '^Exec=zelto %f$' "$root/usr/share/applications/zelto.desktop" \
    || fail "the desktop entry takes no file"
grep -q '^MimeType=application/x-zelto-replay;$' "$root/usr/share/applications/zelto.desktop" \
    || fail "the desktop entry does not open recorded runs"
if command -v xmllint >/dev/null; then
    xmllint --noout "$root/usr/share/mime/packages/zelto.xml" || fail "the file type is no XML"
fi
grep -q '<glob pattern="\*.zrec"/>' "$root/usr/share/mime/packages/zelto.xml" \
    || fail "the file type does not claim .zrec"
appstreamcli validate --no-net "$root/usr/share/metainfo/$metainfo" \
    || fail "appstreamcli validate refused $metainfo"
grep -q '<launchable type="desktop-id">zelto.desktop</launchable>' "$root/usr/share/metainfo/$metainfo" \
    || fail "the metainfo does not launch zelto.desktop"
[ "$(grep -c '<screenshot[ >]' "$root/usr/share/metainfo/$metainfo")" -eq 2 ] \
    || fail "the metainfo does not show two screenshots"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$root/usr/share/metainfo/$metainfo" \
    || fail "the metainfo's release is not $version"
zcat "$root/usr/share/doc/zelto/changelog.gz" | head -1 | grep -q "^zelto ($version) " \
    || fail "the changelog's latest entry is not $version"
zcat "$root/usr/share/man/man6/zelto.6.gz" | grep -q "^\\.TH ZELTO 6 .*\"Zelto Star! $version\"" \
    || fail "the manual page is not for version $version"
for gz in usr/share/doc/zelto/changelog.gz usr/share/man/man6/zelto.6.gz; do
    # gzip -9n: no name or time stamp (flags byte 0, time 0), best compression (2).
    [ "$(od -An -tx1 -j3 -N6 "$root/$gz" | tr -d ' \n')" = "000000000002" ] \
        || fail "$gz is not compressed with gzip -9n"
done
for size in 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x${size}/apps/zelto.png" \
        | grep -q "PNG image data, $size x $size," || fail "the ${size}x${size} icon is not $size pixels"
done

# ---- lintian: warnings shown, errors fail ----------------------------------------------
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
grep -v '^running with root privileges' "$work/lintian"
grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
echo "package check passed: $(basename "$deb"), $(wc -l <"$work/files") files"
