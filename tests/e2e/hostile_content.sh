#!/usr/bin/env bash
# The real program on damaged disks: the messages it gives, and that it keeps
# running and can be ended.
#
# Without a display to show them on (SDL_VIDEODRIVER=offscreen) the program's
# message boxes print "Quorvatelle: <text>" on stderr and return at once, so each
# case runs the program in a temporary copy of the bundled disk with one thing
# broken, lets it run 2 s, checks that it is still alive, ends it with SIGTERM
# (SDL turns that into a quit request) and expects exit code 0 and exactly the
# expected messages. A disk without a usable font must end by itself, with 0.
# Two more cases run under Xvfb, where there is input: a disk with broken
# artwork and a 10 MB scroll text quits with Escape three times (logo, intro,
# player), and Alt+F4 closes the bundled disk.
#
# Usage: hostile_content.sh [build folder]   (default: ROOT/build)
# Exit 0 on success, 1 on failure, 77 when a needed tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=hostile_content
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require_built "$PROGRAM"
e2e_begin

PASSED=0 FAILED=0
failed() {
    echo "hostile_content: FAILED: $CASE: $*"
    if [ -s "$WORK/stderr.log" ]; then
        echo "--- stderr:"
        head -n 20 "$WORK/stderr.log"
    fi
    FAILED=$((FAILED + 1))
}

# A fresh copy of the bundled disk in $DISK.
new_disk() {
    CASE=$1
    DISK="$WORK/disk"
    rm -rf "$DISK"
    mkdir -p "$DISK"
    cp -r "$ROOT/data" "$DISK/data"
}

messages() { sed -n 's/^Quorvatelle: //p' "$WORK/stderr.log"; }

# run_offscreen EXPECTED_MESSAGES [ends-by-itself]: one newline-separated list.
run_offscreen() {
    local expected=$1 ends=${2:-}
    (cd "$DISK" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy exec "$PROGRAM") \
        > "$WORK/stdout.log" 2> "$WORK/stderr.log" &
    APP_PID=$!
    local code
    if [ -n "$ends" ]; then
        e2e_wait_exit APP_PID 10
        code=$?
        [ $code -eq 255 ] && { failed "still running 10 s after its font failed"; return; }
    else
        sleep 2
        if ! kill -0 "$APP_PID" 2> /dev/null; then
            wait "$APP_PID"
            code=$?
            APP_PID=""
            failed "ended by itself with $code"
            return
        fi
        kill -TERM "$APP_PID"
        e2e_wait_exit APP_PID 10
        code=$?
        [ $code -eq 255 ] && { failed "still running 10 s after SIGTERM"; return; }
    fi
    [ $code -eq 0 ] || { failed "exit code $code"; return; }
    [ "$(messages)" = "$expected" ] || { failed "messages were [$(messages)], expected [$expected]"; return; }
    PASSED=$((PASSED + 1))
}

EFFECT=$'Failed to create effect gui.fx'
TRACK=$'Failed to load music file. Sorry.'

new_disk "the bundled disk"
run_offscreen ""

new_disk "gui.fx missing"
rm "$DISK/data/gui.fx"
run_offscreen "$EFFECT"

new_disk "gui.fx of random bytes"
head -c 5000 /dev/urandom > "$DISK/data/gui.fx"
run_offscreen "$EFFECT"

new_disk "gui.fx without technique GUI"
sed -i 's/technique GUI/technique Menu/' "$DISK/data/gui.fx"
run_offscreen "No such technique GUI in gui.fx"

new_disk "font.png missing"
rm "$DISK/data/font.png"
run_offscreen "Failed to create default font" ends-by-itself

new_disk "font.png cut short"
head -c 3000 "$ROOT/data/font.png" > "$DISK/data/font.png"
run_offscreen "Failed to create default font" ends-by-itself

new_disk "velta.png empty"
: > "$DISK/data/velta.png"
run_offscreen ""

new_disk "disk.cfg missing"
rm "$DISK/data/disk.cfg"
run_offscreen ""

new_disk "disk.cfg with CR LF line ends"
sed -i 's/$/\r/' "$DISK/data/disk.cfg"
run_offscreen ""

new_disk "a type line in capitals"
sed -i '2s/^mod$/MOD/' "$DISK/data/disk.cfg"
run_offscreen "Unsupported song type"$'\n'"$TRACK"

new_disk "the music folder missing"
rm -r "$DISK/data/music"
run_offscreen "$TRACK"$'\n'"$TRACK"$'\n'"$TRACK"$'\n'"$TRACK"

new_disk "a count of 2147483647"
sed -i '1s/.*/2147483647/' "$DISK/data/disk.cfg"
(cd "$DISK" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy exec "$PROGRAM") \
    > "$WORK/stdout.log" 2> "$WORK/stderr.log" &
APP_PID=$!
sleep 2
if kill -0 "$APP_PID" 2> /dev/null && kill -TERM "$APP_PID" && e2e_wait_exit APP_PID 10; then
    COUNT=$(messages | wc -l)
    if [ "$COUNT" -le 10 ] && [ -z "$(messages | grep -v -x -e "$TRACK" -e 'Unsupported song type')" ]; then
        PASSED=$((PASSED + 1))
    else
        failed "$COUNT messages"
    fi
else
    failed "did not run on and end with 0"
fi

# ---- Under Xvfb, with input ------------------------------------------------------
if command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
    start_xvfb

    # start_x11: the program on the disk, and its window once shown (in $WINDOW).
    start_x11() {
        (cd "$DISK" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec "$PROGRAM") \
            > "$WORK/stdout.log" 2> "$WORK/stderr.log" &
        APP_PID=$!
        find_window && xdotool windowfocus --sync "$WINDOW"
    }
    press() {
        xdotool keydown "$1"
        sleep 0.1
        xdotool keyup "$1"
    }

    new_disk "Escape three times, broken artwork and a 10 MB scroll text"
    head -c 20000 /dev/urandom > "$DISK/data/velta.png"
    for _ in $(seq 1 175000); do echo "A LINE OF THE ABOUT TEXT, ONE OF MANY, LONG ENOUGH TO WRAP"; done \
        >> "$DISK/data/disk.cfg"
    start_x11
    if [ -z "$WINDOW" ]; then
        failed "no window"
    else
        sleep 2
        press Escape
        sleep 1.5
        press Escape
        sleep 1.5
        press a
        sleep 1.5
        press Escape
        if e2e_wait_exit APP_PID 10; then PASSED=$((PASSED + 1)); else failed "did not end with 0 after Escape"; fi
    fi

    new_disk "Alt+F4"
    start_x11
    if [ -z "$WINDOW" ]; then
        failed "no window"
    else
        sleep 2
        xdotool key alt+F4
        if e2e_wait_exit APP_PID 10; then PASSED=$((PASSED + 1)); else failed "did not end with 0 after Alt+F4"; fi
    fi
else
    echo "hostile_content: Xvfb or xdotool missing, the cases with input are skipped"
fi

echo "hostile_content: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
