#!/usr/bin/env bash
# The whole program under a real X server (Xvfb), driven by xdotool the way a
# listener would use it, with SDL's disk audio driver capturing what it plays.
#
# Route: logo -(Esc)-> intro -(Esc)-> player; click Stop, then Play, then Next;
# A to the about screen, I to the key list, a click back to the player, Esc to
# quit. Checks: the window appears; the captured audio is not silent while a
# track plays and silent after Stop; it plays again after Play; the program ends
# with exit code 0 within a few seconds of the Escape.
#
# Usage: play_disk.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when Xvfb or xdotool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=play_disk
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require Xvfb xdotool xwininfo sox
e2e_require_built "$PROGRAM"
e2e_begin
start_xvfb

(cd "$ROOT" && exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
APP_PID=$!
wait_for_window

# Clicks at client pixel (x, y): the window is at (10, 100) with a one-pixel border.
click() {
    xdotool mousemove $((11 + $1)) $((101 + $2)); sleep 0.1
    xdotool mousedown 1; sleep 0.12; xdotool mouseup 1; sleep 0.2
}

e2e_to_player

a=$(captured); sleep 1.5; b=$(captured)
expect_sound "playing on the player screen" "$a" "$b"

click 674 172  # Stop
sleep 0.3
a=$(captured); sleep 1; b=$(captured)
expect_silence "after Stop" "$a" "$b"

click 711 172  # Play
sleep 0.5
a=$(captured); sleep 1; b=$(captured)
expect_sound "after Play" "$a" "$b"

click 716 209  # Next track
sleep 0.5
a=$(captured); sleep 1; b=$(captured)
expect_sound "after Next" "$a" "$b"

e2e_key a  # about
sleep 1.2
e2e_key i  # key list
sleep 1.2
click 300 150  # back to the player
sleep 1.2
kill -0 "$APP_PID" 2> /dev/null || e2e_fail "the program ended before Escape"
e2e_key Escape  # quit: picture and music fade out together
expect_exit 5
e2e_say passed
