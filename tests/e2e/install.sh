#!/usr/bin/env bash
# The installed program, as a user gets it.
#
# 1. `cmake --install` into a temporary prefix: exactly the expected tree; the
#    desktop entry and the metainfo pass desktop-file-validate and appstreamcli
#    with no error and no warning; the entry's StartupWMClass is the window's class.
# 2. The installed program from an empty working folder under Xvfb: it finds the
#    disk installed beside it, the music plays (SDL's disk audio driver), the
#    player screen appears (a screenshot is closest to the player's reference
#    image), a click on Stop silences it and Escape ends it with exit code 0.
#    The same program copied where no disk lies beside it: exit code 1 and a
#    message naming the places looked at.
# 3. The Debian package (cpack in the build folder): its Depends (runtime
#    libraries only, libgl1 and Mesa's drivers among them), its file list (the
#    same tree under /usr, binaries stripped), lintian with no error or warning,
#    and apt's simulated install of it.
#
# Usage: install.sh [build folder]   (default: build; everything in it built)
# Exit 0 on success, 1 with a message on failure, 77 when a tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=install
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require Xvfb xdotool xwininfo sox import compare desktop-file-validate appstreamcli lintian cpack dpkg-deb readelf
e2e_begin

APP_ID=org.quorvatelle.MusicDisk
EXPECTED_TREE="bin/musicdisk
bin/musicdisk-check
share/applications/$APP_ID.desktop
share/doc/musicdisk/changelog.gz
share/doc/musicdisk/copyright
share/icons/hicolor/128x128/apps/$APP_ID.png
share/icons/hicolor/256x256/apps/$APP_ID.png
share/icons/hicolor/48x48/apps/$APP_ID.png
share/icons/hicolor/64x64/apps/$APP_ID.png
share/icons/hicolor/scalable/apps/$APP_ID.svg
share/man/man1/musicdisk-check.1.gz
share/man/man1/musicdisk.1.gz
share/metainfo/$APP_ID.metainfo.xml
share/musicdisk/data/disk.cfg
share/musicdisk/data/font.png
share/musicdisk/data/gui.fx
share/musicdisk/data/music/afterglow_drive.ogg
share/musicdisk/data/music/glass_harbour.xm
share/musicdisk/data/music/neon_cartridge.mod
share/musicdisk/data/music/pixel_parade.mod
share/musicdisk/data/velta.png"

# ---- 1. The installed tree -------------------------------------------------------
PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" > "$WORK/install.log" 2>&1 || { cat "$WORK/install.log"; e2e_fail "cmake --install"; }
tree=$(cd "$PREFIX" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$tree" = "$(echo "$EXPECTED_TREE" | LC_ALL=C sort)" ] ||
    e2e_fail "installed tree differs: $(diff <(echo "$EXPECTED_TREE" | LC_ALL=C sort) <(echo "$tree"))"
echo "install: tree of $(echo "$tree" | wc -l) files as expected"

out=$(desktop-file-validate "$PREFIX/share/applications/$APP_ID.desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || e2e_fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$PREFIX/share/metainfo/$APP_ID.metainfo.xml" 2>&1)
status=$?
echo "$out" | grep -qE '^(E|W):' && e2e_fail "appstreamcli: $out"
[ $status -eq 0 ] || e2e_fail "appstreamcli: $out"
echo "install: desktop-file-validate and appstreamcli validate --no-net: no errors, no warnings"
grep -qx "StartupWMClass=musicdisk" "$PREFIX/share/applications/$APP_ID.desktop" || e2e_fail "StartupWMClass is not musicdisk"
grep -q "<release version=\"$("$PREFIX/bin/musicdisk" --version | cut -d' ' -f2)\"" \
    "$PREFIX/share/metainfo/$APP_ID.metainfo.xml" || e2e_fail "the metainfo's release is not the program's version"

# ---- 2. The installed program -----------------------------------------------------
start_xvfb
unset GDK_SCALE

mkdir "$WORK/empty"
(cd "$WORK/empty" && exec "$PREFIX/bin/musicdisk") > "$WORK/app.log" 2>&1 &
APP_PID=$!
wait_for_window

e2e_to_player
a=$(captured); sleep 1.5; b=$(captured)
expect_sound "the installed program plays the bundled disk from an empty folder" "$a" "$b"

# The client area (inside the one-pixel border) against the five screens' references.
import -window "$WINDOW" -crop 818x318+1+1 +repage "$WORK/screen.png" 2> /dev/null || e2e_fail "no screenshot"
best="" best_error=""
for name in logo intro player about info; do
    error=$(compare -metric RMSE "$WORK/screen.png" "$ROOT/tests/platform/screens/reference/$name.png" null: 2>&1 |
        sed 's/.*(\(.*\)).*/\1/')
    if [ -z "$best" ] || awk -v e="$error" -v b="$best_error" 'BEGIN { exit !(e < b) }'; then
        best=$name best_error=$error
    fi
done
[ "$best" = player ] || e2e_fail "the screen looks most like the $best screen, not the player"
echo "install: the player screen is up (closest reference: player, RMSE $best_error)"

# Stop, at its place on the player screen (client 674, 172; the window is at 10, 100).
xdotool mousemove $((11 + 674)) $((101 + 172)); sleep 0.1
xdotool mousedown 1; sleep 0.12; xdotool mouseup 1; sleep 0.5
a=$(captured); sleep 1; b=$(captured)
expect_silence "after Stop" "$a" "$b"
e2e_key Escape
expect_exit 5

# No disk beside the program and none in the working folder.
mkdir -p "$WORK/lonely/bin"
cp "$PREFIX/bin/musicdisk" "$WORK/lonely/bin/"
message=$(cd "$WORK/empty" && SDL_VIDEODRIVER=dummy "$WORK/lonely/bin/musicdisk" 2>&1)
status=$?
[ $status -eq 1 ] || e2e_fail "without a disk: exit code $status, not 1"
expected="No music disk found: looked for data/disk.cfg in the working folder $WORK/empty and $WORK/lonely/share/musicdisk beside the program. Start musicdisk with --disk DIR to play the disk in DIR."
[ "$(echo "$message" | head -n 1)" = "$expected" ] || e2e_fail "without a disk: $message"
echo "install: without a disk: exit code 1 and the places looked at"

# ---- 3. The Debian package --------------------------------------------------------
(cd "$BUILD" && cpack -G DEB -B "$WORK/package") > "$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; e2e_fail "cpack"; }
DEB=$(ls "$WORK"/package/musicdisk_*_*.deb 2> /dev/null | head -n 1)
[ -n "$DEB" ] || e2e_fail "no package made"
depends=$(dpkg-deb -f "$DEB" Depends)
echo "install: Depends: $depends"
for needed in libgl1 libgl1-mesa-dri libsdl2-2.0-0 libepoxy0 libopenmpt0 libsndfile1 libsamplerate0 libkissfft-float; do
    echo "$depends" | tr ',' '\n' | grep -q "^ *$needed" || e2e_fail "Depends lacks $needed"
done
echo "$depends" | tr ',' '\n' | grep -- '-dev\b' && e2e_fail "Depends names a -dev package"
files=$(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort)
[ "$files" = "$(echo "$EXPECTED_TREE" | LC_ALL=C sort)" ] ||
    e2e_fail "the package's files differ: $(diff <(echo "$EXPECTED_TREE" | LC_ALL=C sort) <(echo "$files"))"
dpkg-deb -x "$DEB" "$WORK/unpacked"
for program in musicdisk musicdisk-check; do
    readelf -S "$WORK/unpacked/usr/bin/$program" | grep -qE '\.(symtab|debug_)' && e2e_fail "$program is not stripped"
done
echo "install: the package holds the same tree under /usr, binaries stripped"
lintian --tag-display-limit 0 "$DEB" > "$WORK/lintian.log" 2>&1
grep -E '^(E|W):' "$WORK/lintian.log" && e2e_fail "lintian reports errors or warnings"
echo "install: lintian: no errors, no warnings"
apt-get install --simulate --no-install-recommends "$DEB" > "$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; e2e_fail "apt cannot install the package"; }
grep -q "^Inst musicdisk " "$WORK/apt.log" || { cat "$WORK/apt.log"; e2e_fail "apt would not install musicdisk"; }
echo "install: apt-get install --simulate $(basename "$DEB"): would install"
echo "install: passed"
