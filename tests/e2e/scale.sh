#!/usr/bin/env bash
# The program at window scale 2 under a real X server (Xvfb, 1920 x 1080).
#
# 1. The five screens drawn at scale 2 with the clock held still
#    (build/tests/platform_screens with MUSICDISK_SCREEN_SCALE=2): each frame is
#    1636 x 636, not a doubled scale-1 picture, and halved it matches the scale-1
#    reference images within their tolerance. The figures are printed.
# 2. The real program with --scale 2: the window is 1640 x 640 at (20, 200); the
#    music plays; a click on Stop at its scale-2 place silences it; pressing and
#    moving the mouse moves the window by as much; Escape ends it with exit code 0.
# 3. GDK_SCALE=3 without --scale: 2460 x 960 does not fit, so the window is made
#    at scale 2 with one line on stderr saying so.
#
# Usage: scale.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when Xvfb, xdotool or sox is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=scale
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
SCREENS=$BUILD/tests/platform_screens
e2e_require Xvfb xdotool xwininfo sox
e2e_require_built "$PROGRAM" "$SCREENS"
e2e_begin
start_xvfb 1920x1080x24
unset GDK_SCALE

# ---- 1. The screens at scale 2 ------------------------------------------------------
(cd "$ROOT" && MUSICDISK_SCREEN_SCALE=2 TMPDIR="$WORK" "$SCREENS") > "$WORK/screens.log" 2>&1 ||
    { cat "$WORK/screens.log"; e2e_fail "the screens at scale 2"; }
grep "^scale 2 " "$WORK/screens.log" | sed 's/^/scale: /'
[ "$(grep -c "^scale 2 " "$WORK/screens.log")" -eq 5 ] || e2e_fail "not all five screens were drawn at scale 2"

# ---- 2. The program with --scale 2 --------------------------------------------------
window_field() {  # window_field ID "Absolute upper-left X"
    xwininfo -id "$1" | sed -n "s/^ *$2: *//p"
}
start() {  # start [arguments...]: the program, and WINDOW once its window is viewable
    (cd "$ROOT" && exec "$PROGRAM" "$@") > "$WORK/app.log" 2>&1 &
    APP_PID=$!
    wait_for_window
    for _ in $(seq 1 100); do
        [ "$(window_field "$WINDOW" "Map State")" = IsViewable ] && return 0
        sleep 0.1
    done
    e2e_fail "the window did not become viewable"
}
stop() {  # stop: Escape until the program ends; its exit code must be 0
    for _ in 1 2 3; do
        kill -0 "$APP_PID" 2> /dev/null || break
        e2e_key Escape
        sleep 1
    done
    expect_exit 5
}

start --scale 2
[ "$(window_field "$WINDOW" Width)" = 1640 ] || e2e_fail "window width $(window_field "$WINDOW" Width), not 1640"
[ "$(window_field "$WINDOW" Height)" = 640 ] || e2e_fail "window height $(window_field "$WINDOW" Height), not 640"
X=$(window_field "$WINDOW" "Absolute upper-left X")
Y=$(window_field "$WINDOW" "Absolute upper-left Y")
[ "$X,$Y" = "20,200" ] || e2e_fail "the window is at ($X, $Y), not (20, 200)"
echo "scale: --scale 2: the window is 1640 x 640 at (20, 200)"

e2e_to_player
a=$(captured); sleep 1.5; b=$(captured)
expect_sound "--scale 2: playing on the player screen" "$a" "$b"

# Stop lies at client pixel (674, 172) at scale 1: the border is 2 pixels now and
# every client pixel 2 x 2; aim at the middle of that pixel.
xdotool mousemove $((X + 2 + 2 * 674 + 1)) $((Y + 2 + 2 * 172 + 1)); sleep 0.1
xdotool mousedown 1; sleep 0.12; xdotool mouseup 1; sleep 0.5
a=$(captured); sleep 1; b=$(captured)
expect_silence "after a click on Stop at its scale-2 place" "$a" "$b"

# A drag from the empty sky at the left: press, move +100 +60 in steps, release.
xdotool mousemove $((X + 120)) $((Y + 320)); sleep 0.2
xdotool mousedown 1
for step in $(seq 1 10); do
    xdotool mousemove $((X + 120 + 10 * step)) $((Y + 320 + 6 * step))
    sleep 0.05
done
xdotool mouseup 1
sleep 0.5
NX=$(window_field "$WINDOW" "Absolute upper-left X")
NY=$(window_field "$WINDOW" "Absolute upper-left Y")
[ "$NX,$NY" = "$((X + 100)),$((Y + 60))" ] || e2e_fail "after the drag the window is at ($NX, $NY), not ($((X + 100)), $((Y + 60)))"
echo "scale: a drag by (+100, +60) moves the window to ($NX, $NY)"
stop

# ---- 3. The desktop's scale, lowered to fit ----------------------------------------
export GDK_SCALE=3
start
unset GDK_SCALE
[ "$(window_field "$WINDOW" Width)x$(window_field "$WINDOW" Height)" = 1640x640 ] ||
    e2e_fail "GDK_SCALE=3: the window is $(window_field "$WINDOW" Width) x $(window_field "$WINDOW" Height), not 1640 x 640"
said=$(grep "^os: scale" "$WORK/app.log")
[ "$said" = "os: scale 3 makes a 2460 x 960 window, larger than the 1920 x 1080 screen: using scale 2" ] ||
    e2e_fail "GDK_SCALE=3: stderr said: $(cat "$WORK/app.log")"
echo "scale: GDK_SCALE=3 on a 1920 x 1080 screen: scale 2, with one line on stderr"
stop
echo "scale: passed"
