#!/usr/bin/env bash
# The real program on a desktop that is not there or has gone away.
#
# 1. No display: with neither DISPLAY nor WAYLAND_DISPLAY set, with SDL_VIDEODRIVER=x11
#    and no X server, and with DISPLAY naming a server that does not answer, the
#    program writes one line naming the problem, ends within 5 s with exit code 1
#    and plays nothing (SDL's disk audio file stays empty or absent).
# 2. SDL_VIDEODRIVER=offscreen, asked for by name, still runs and plays.
# 3. Standard error a pipe whose reader has gone: a disk without its music folder
#    makes the program write "Failed to load music file" lines into that pipe; it
#    runs on (SIGPIPE does not end it) and ends with 0 on SIGTERM.
#
# Usage: hostile_desktop.sh [build folder]   (default: ROOT/build)
# Exit 0 on success, 1 on failure.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=hostile_desktop
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require_built "$PROGRAM"
e2e_begin

FAILED=0
failed() {
    echo "hostile_desktop: FAILED: $CASE: $*"
    [ -s "$WORK/app.log" ] && { echo "--- stderr:"; head -n 20 "$WORK/app.log"; }
    FAILED=$((FAILED + 1))
}

# without_display CASE VARIABLE=VALUE...: the program on the bundled disk with no
# display but what the variables give, killed if still running after 5 s. As in
# a login session, XDG_RUNTIME_DIR names a folder (else the Wayland library says
# so on stderr when SDL tries it).
mkdir -m 700 "$WORK/runtime"
without_display() {
    CASE=$1
    shift
    rm -f "$WORK/sound.raw"
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$WORK/runtime" "$@" SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$WORK/sound.raw" timeout -s KILL 5 "$PROGRAM" --disk "$ROOT" \
        > /dev/null 2> "$WORK/app.log"
    local code=$?
    [ $code -eq 137 ] && { failed "still running 5 s later"; return; }
    [ $code -eq 1 ] || { failed "exit code $code, not 1"; return; }
    [ "$(wc -l < "$WORK/app.log")" -eq 1 ] || { failed "not one line on stderr"; return; }
    grep -q "display" "$WORK/app.log" || { failed "the line does not name the display"; return; }
    [ -s "$WORK/sound.raw" ] && { failed "sound was written"; return; }
    echo "hostile_desktop: $CASE: $(cat "$WORK/app.log")"
}

without_display "no display at all"
without_display "x11 and no display" SDL_VIDEODRIVER=x11
# X11 display numbers run from 0; this one has no server.
without_display "a display that does not answer" DISPLAY=:4321

CASE="offscreen asked for by name"
rm -f "$WORK/sound.raw"
(cd "$ROOT" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk \
    SDL_DISKAUDIOFILE="$WORK/sound.raw" "$PROGRAM") > /dev/null 2> "$WORK/app.log" &
APP_PID=$!
sleep 3
kill -TERM "$APP_PID" 2> /dev/null
expect_exit 10
[ -s "$WORK/sound.raw" ] || e2e_fail "$CASE: no sound written"
e2e_say "$CASE: runs, plays and ends with 0 on SIGTERM"

# A pipe with no reader left: the shell holds both ends of a FIFO, gives the
# program the writing end and closes the reading end before it starts.
CASE="standard error into a pipe with no reader"
rm -f "$WORK/app.log"
DISK="$WORK/disk"
mkdir -p "$DISK"
cp -r "$ROOT/data" "$DISK/data"
rm -r "$DISK/data/music"
mkfifo "$WORK/pipe"
exec 4<> "$WORK/pipe"
exec 5> "$WORK/pipe"
exec 4<&-
(cd "$DISK" && exec env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$PROGRAM") > /dev/null 2>&5 5>&- &
APP_PID=$!
exec 5>&-
sleep 3
kill -TERM "$APP_PID" 2> /dev/null
expect_exit 10
e2e_say "$CASE: runs on and ends with 0 on SIGTERM"

echo "hostile_desktop: $FAILED failed"
[ "$FAILED" -eq 0 ]
