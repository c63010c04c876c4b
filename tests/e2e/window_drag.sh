#!/usr/bin/env bash
# The SDL window service under a real X server (Xvfb), driven by xdotool.
#
# It runs tests/e2e/probe/window_probe, a small program that makes the disk's
# window (class "musicdisk" with a 48 x 48 icon, title "Quorvatelle 3",
# 820 x 320 at 10, 100, with a one-pixel border) through the os service, shows
# it and pumps messages through a window procedure that drags the window as the
# disk's own does. The probe prints one line per event: "ready" once shown,
# "down X Y" / "up X Y" for left button presses and releases in client pixels,
# "drag-begin" and "drag-end X Y" (the window position after) around the move
# loop, "close" when WM_CLOSE arrives (it then exits 0), and with --box "box N"
# after a message box returned N. It gives up by itself after 60 s.
#
# Checks: the window appears at (10, 100), 820 x 320, with WM_CLASS musicdisk
# and its icon; a click without moving is delivered as down/up at client
# coordinates; pressing and moving by +50 +30 in steps moves the window by
# exactly that; a fast drag that leaves the window in one move still moves it;
# Alt+F4 closes; a message box shows on the display and returns
# IDOK when its button is pressed.
#
# Usage: window_drag.sh [build folder | built window_probe]
# A build folder is searched for a window_probe target; without one the probe is
# compiled from source into a temporary folder.
# Exit 0 on success, 1 with a message on failure, 77 when Xvfb or xdotool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=window_drag
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_require Xvfb xdotool xwininfo xprop
PROBE_PID=""
e2e_cleanup() { [ -n "$PROBE_PID" ] && kill "$PROBE_PID" 2> /dev/null; }
e2e_more_logs() { [ -f "$WORK/probe.log" ] && { echo "--- probe output:"; cat "$WORK/probe.log"; }; }
e2e_begin

PROBE=""
if [ -d "${1:-}" ]; then
    PROBE=$(find "$1" -maxdepth 3 -type f -name window_probe -perm -u+x | head -n 1)
elif [ -n "${1:-}" ]; then
    PROBE=$1
fi
if [ -z "$PROBE" ]; then
    PROBE="$WORK/window_probe"
    # shellcheck disable=SC2046
    c++ -std=c++20 -O1 -I"$ROOT" "$ROOT/tests/e2e/probe/window_probe.cpp" "$ROOT"/platform/sdl/os_*.cpp \
        "$ROOT/platform/os.cpp" $(pkg-config --cflags --libs sdl2) -o "$PROBE" || e2e_fail "cannot build the probe"
fi

start_xvfb
unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE

# wait_for PATTERN: until a line of the probe's output matches (5 s at most).
wait_for() {
    for _ in $(seq 1 50); do
        grep -qx "$1" "$WORK/probe.log" && return 0
        sleep 0.1
    done
    return 1
}

window_field() {  # window_field ID "Absolute upper-left X"
    xwininfo -id "$1" | sed -n "s/^ *$2: *//p"
}

start_probe() {
    (cd "$WORK" && exec "$PROBE" "$@") > "$WORK/probe.log" 2>&1 &
    PROBE_PID=$!
    wait_for ready || e2e_fail "the probe's window was not shown"
}

# The window: where, how large, what class.
start_probe
WINDOW=$(xdotool search --classname '^musicdisk$' | head -n 1)
[ -n "$WINDOW" ] || e2e_fail "no window of class musicdisk"
[ "$(window_field "$WINDOW" "Absolute upper-left X")" = 10 ] || e2e_fail "window x is not 10"
[ "$(window_field "$WINDOW" "Absolute upper-left Y")" = 100 ] || e2e_fail "window y is not 100"
[ "$(window_field "$WINDOW" Width)" = 820 ] || e2e_fail "window width is not 820"
[ "$(window_field "$WINDOW" Height)" = 320 ] || e2e_fail "window height is not 320"
[ "$(window_field "$WINDOW" "Map State")" = IsViewable ] || e2e_fail "window is not shown"
xprop -id "$WINDOW" WM_CLASS | grep -q '= "musicdisk", "musicdisk"' ||
    e2e_fail "WM_CLASS is $(xprop -id "$WINDOW" WM_CLASS)"
xprop -id "$WINDOW" _NET_WM_ICON | grep -q "Icon (48 x 48)" || e2e_fail "the window has no 48 x 48 icon"

# A click without moving: screen (300, 200) is client (300-10-1, 200-100-1).
xdotool mousemove 300 200
sleep 0.2
xdotool click 1
wait_for "up 289 99" || e2e_fail "the click's release did not arrive"
grep -qx "down 289 99" "$WORK/probe.log" || e2e_fail "the click's press did not arrive"
grep -q drag-begin "$WORK/probe.log" && e2e_fail "a click without moving started a drag"

# A drag: press, move +50 +30 in ten steps, release.
xdotool mousemove 410 260
sleep 0.2
xdotool mousedown 1
for step in $(seq 1 10); do
    xdotool mousemove $((410 + 5 * step)) $((260 + 3 * step))
    sleep 0.05
done
xdotool mouseup 1
wait_for "drag-end 60 130" || e2e_fail "the move loop did not end at (60, 130)"
sleep 0.2
[ "$(window_field "$WINDOW" "Absolute upper-left X")" = 60 ] || e2e_fail "the window's x after the drag is not 60"
[ "$(window_field "$WINDOW" "Absolute upper-left Y")" = 130 ] || e2e_fail "the window's y after the drag is not 130"

# A fast drag: the cursor leaves the window in one jump of +300 +250 while the
# button is held (the window system does not capture the mouse for the window),
# and the window still follows it.
xdotool mousemove 470 290
sleep 0.2
xdotool mousedown 1
xdotool mousemove 770 540
sleep 0.3
xdotool mouseup 1
wait_for "drag-end 360 380" || e2e_fail "a fast drag did not take the window to (360, 380)"

# Alt+F4 through the default procedure closes.
xdotool windowfocus --sync "$WINDOW"
xdotool key alt+F4
wait_for close || e2e_fail "Alt+F4 did not close the window"
e2e_wait_exit PROBE_PID 5 || e2e_fail "the probe failed after closing"

# A message box: shown on the display, IDOK once its button is pressed (Enter).
start_probe --box
BOX=""
for _ in $(seq 1 100); do
    BOX=$(xwininfo -root -tree | awk '/"Probe box"/ { print $1; exit }')
    [ -n "$BOX" ] && break
    sleep 0.1
done
[ -n "$BOX" ] || e2e_fail "the message box did not appear"
xdotool windowfocus --sync "$BOX"
xdotool key Return
wait_for "box 1" || e2e_fail "the message box did not return IDOK"
WINDOW=$(xdotool search --classname '^musicdisk$' | head -n 1)
xdotool windowfocus --sync "$WINDOW"
xdotool key alt+F4
wait_for close || e2e_fail "the second probe did not close"
e2e_wait_exit PROBE_PID 5 || e2e_fail "the second probe failed after closing"

echo "window_drag: 6 passed, 0 failed"
exit 0
