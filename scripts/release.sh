#!/usr/bin/env bash
# Builds everything a user downloads, from the commit checked out, into dist/:
#   sideways_VERSION_amd64.deb, sideways_VERSION_arm64.deb   the Debian packages (scripts/deb.sh)
#   sideways-VERSION-windows-x86_64.zip                      sideways.exe and sideways-capture.exe
#   sideways-VERSION-web.zip                                 the page's static files
#   sideways-VERSION.tar.gz                                  the source
#   SHA256SUMS
# Each carries the licence: LICENSE (LICENSE.txt in the zips), debian/copyright in the packages.
# The same commit gives the same bytes: every date in them is the commit's (SOURCE_DATE_EPOCH).
#   scripts/release.sh           builds what is out of date
#   scripts/release.sh --clean   builds the Windows program and the page afresh first
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/script.bash
source scripts/lib/release.bash
ParseFlags "scripts/release.sh [--clean]" --clean=clean -- "$@"
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
  Fail "the working tree has changes; a release is made from a commit"
version=$(ReleaseVersion)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
SIDEWAYS_JOBS=$(Jobs)
export SOURCE_DATE_EPOCH SIDEWAYS_JOBS TZ=UTC
$clean && rm -rf build/windows build/web-cmake build/web

scripts/deb.sh
scripts/deb.sh arm64
# The linker dates a Windows program with SOURCE_DATE_EPOCH: link both again for this commit.
rm -f build/windows/sideways.exe build/windows/sideways-capture.exe
scripts/windows.sh --build
scripts/web.sh --build

stage=$(mktemp -d)
OnExit 'rm -rf "$stage"'
rm -rf dist
mkdir -p dist
cp "build/deb/sideways_${version}_amd64.deb" "build/deb/sideways_${version}_arm64.deb" dist/

# Zip FOLDER (in the stage) into dist/NAME.zip: files in name order, every date the commit's,
# no owner or extra times.
ZipFolder() {
  find "$stage/$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  (cd "$stage" && find "$1" | LC_ALL=C sort | zip -q -X -D "$OLDPWD/dist/$1.zip" -@)
}

win=sideways-$version-windows-x86_64
mkdir -p "$stage/$win"
cp build/windows/sideways.exe build/windows/sideways-capture.exe "$stage/$win/"
sed 's/$/\r/' LICENSE >"$stage/$win/LICENSE.txt"
sed 's/$/\r/' >"$stage/$win/README.txt" <<TEXT
sideways $version for 64-bit Windows

A real-time demo: two minutes of software-rendered effects in step with its own tracker music,
shown full screen. Double-click sideways.exe to start it. Escape ends the show; it also ends by
itself when the music does. "sideways.exe --help" in a command prompt lists its options (a
window instead of the full screen, another screen or sound output, a later start).

It needs 64-bit Windows with OpenGL (every graphics driver brings it) and a sound output.
sideways.exe is the whole program: no installation, no other files. Without a sound output it
shows an "Init FAIL" box and ends.

sideways-capture.exe renders the show offline into pictures (--png), sound (--wav) or raw frames
(--raw); "sideways-capture.exe --help" lists its options. A video (-o show.mkv) needs ffmpeg,
which Windows does not bring: download a Windows build of ffmpeg (ffmpeg.org lists them) and put
ffmpeg.exe beside sideways-capture.exe or in a folder on PATH.
TEXT
ZipFolder "$win"

web=sideways-$version-web
mkdir -p "$stage/$web"
cp build/web/sideways.{html,js,wasm,webmanifest} build/web/sideways-sw.js build/web/sideways-{192,512}.png "$stage/$web/"
cp LICENSE "$stage/$web/LICENSE.txt"
cat >"$stage/$web/README.txt" <<TEXT
sideways $version as a web page

A real-time demo: two minutes of software-rendered effects in step with its own tracker music.
These files are the whole page; any static web server serves them. Browsers do not run the
page from a file opened directly (file://), so serve the folder, for example with

    python3 -m http.server -d $web

and open http://localhost:8000/sideways.html. The page starts at once where the browser lets it
play sound, otherwise after a click or a key. F or a double click toggles full screen; Escape
ends the show. The server needs no setting beyond serving .wasm files as application/wasm,
which current servers do.

Served over https:// (or from localhost), the page also plays offline and can be installed:
its service worker (sideways-sw.js) keeps sideways.html, .js, .wasm and the manifest, so a
second visit plays without a network, and a phone's browser offers to put it on the home
screen (sideways.webmanifest, with the icons sideways-192.png and sideways-512.png). Over
plain http:// from another host, browsers refuse service workers and the page simply plays
online. A new release replaces the kept files on the next visit that reaches the server.
TEXT
ZipFolder "$web"

git archive --format=tar --prefix="sideways-$version/" HEAD | gzip -n -9 >"dist/sideways-$version.tar.gz"

# Every file carries the licence's text.
for file in dist/*; do
  case $file in
    *.deb) dpkg-deb --fsys-tarfile "$file" | tar -xOf - ./usr/share/doc/sideways/copyright ;;
    *.zip) unzip -p "$file" '*/LICENSE.txt' | tr -d '\r' ;;
    *.tar.gz) tar -xzOf "$file" "sideways-$version/LICENSE" ;;
  esac | grep -qF "Permission is hereby granted, free of charge" || Fail "$file carries no licence"
done
(cd dist && sha256sum -- * >SHA256SUMS)
ls -l dist
