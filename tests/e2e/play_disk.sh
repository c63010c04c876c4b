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
BUILD=${1:-$ROOT/build}
PROGRAM=$BUILD/musicdisk
for tool in Xvfb xdotool xwininfo sox; do
    if ! command -v "$tool" > /dev/null; then
        echo "play_disk: skipped, $tool is not installed"
        exit 77
    fi
done
[ -x "$PROGRAM" ] || { echo "play_disk: FAILED: no program at $PROGRAM"; exit 1; }

WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2> /dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2> /dev/null
    wait 2> /dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "play_disk: FAILED: $*"
    [ -f "$WORK/app.log" ] && { echo "--- program output:"; cat "$WORK/app.log"; }
    exit 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$WORK/display" 2> "$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 1 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
[ -s "$WORK/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$WORK/display")"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/out.raw"
unset WAYLAND_DISPLAY

(cd "$ROOT" && exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
APP_PID=$!

for _ in $(seq 1 100); do
    xwininfo -root -tree 2> /dev/null | grep -q '"Quorvatelle 3"' && break
    sleep 0.1
done
xwininfo -root -tree | grep -q '"Quorvatelle 3"' || fail "the window did not appear"

# A key or button held across a frame (frames are about 20 ms).
key() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; sleep 0.2; }
# Clicks at client pixel (x, y): the window is at (10, 100) with a one-pixel border.
click() {
    xdotool mousemove $((11 + $1)) $((101 + $2)); sleep 0.1
    xdotool mousedown 1; sleep 0.12; xdotool mouseup 1; sleep 0.2
}
# Seconds of audio captured so far (44100 Hz, 2 channels of 32-bit floats).
captured() { echo $(( $(stat -c %s "$WORK/out.raw" 2> /dev/null || echo 0) / 8 )); }
# RMS amplitude of the capture between two frame positions.
rms() {
    dd if="$WORK/out.raw" of="$WORK/segment.raw" bs=8 skip="$1" count=$(($2 - $1)) status=none
    sox -t raw -r 44100 -e float -b 32 -c 2 "$WORK/segment.raw" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
}
expect_sound() {  # what, from, to
    local level; level=$(rms "$2" "$3")
    awk -v l="$level" 'BEGIN { exit !(l > 0.01) }' || fail "$1: silent (RMS $level)"
    echo "play_disk: $1: RMS $level"
}
expect_silence() {
    local level; level=$(rms "$2" "$3")
    awk -v l="$level" 'BEGIN { exit !(l < 0.0001) }' || fail "$1: not silent (RMS $level)"
    echo "play_disk: $1: RMS $level"
}

sleep 1
key Escape  # logo -> intro
sleep 0.5
key Escape  # intro -> player
sleep 1.5

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

key a  # about
sleep 1.2
key i  # key list
sleep 1.2
click 300 150  # back to the player
sleep 1.2
kill -0 "$APP_PID" 2> /dev/null || fail "the program ended before Escape"
key Escape  # quit: picture and music fade out together

for _ in $(seq 1 50); do
    kill -0 "$APP_PID" 2> /dev/null || break
    sleep 0.1
done
kill -0 "$APP_PID" 2> /dev/null && fail "still running 5 s after Escape"
wait "$APP_PID"
status=$?
APP_PID=""
[ "$status" -eq 0 ] || fail "exit code $status"
echo "play_disk: passed"
