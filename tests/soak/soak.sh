#!/usr/bin/env bash
# Soak: the real program under Xvfb for a long while, its sound captured by SDL's
# disk audio driver, driven like a restless user: random keys of the key table
# (Enter, P, cursor left and right, A, I, E, keypad + and - held for a while; never
# Escape), clicks at random points and on the buttons (never Exit, minimise or
# close), and window drags. The disk is tiny: four tracks of about 3 s made by
# compose --tiny, so track ends come every few seconds.
#
# Every minute (once, half-way, in a run shorter than four minutes) a check phase brings the player up,
# turns the volume to full, presses Play and records which part of the capture
# the next 8 s fill; afterwards sox measures that part in half-second pieces.
# Memory (VmRSS, VmHWM) is sampled every second. At the end the script quits
# with Escape twice from the player and expects exit code 0.
#
# Passes when: the program never dies, quits with 0, its resident memory grows
# less than 5 MB after the first minute (the first third of a shorter run), the
# audio engine reports no underrun and no late start (it prints "audio: N
# underruns" and "audio: N late starts" at exit when there were any; a late start
# is a play whose first sound came a device buffer late), and at least 75 % of
# the half-second pieces of every check phase are sound, not silence. Prints a
# summary table.
#
# Usage: soak.sh [--seconds N] [BUILD_DIR]   (default 1800 s, ROOT/build)
# Exit 0 on success, 1 on failure, 77 when Xvfb, xdotool or sox is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_TO_RUN=1800
BUILD="$ROOT/build"
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) SECONDS_TO_RUN=$2; shift 2 ;;
        *) BUILD=$1; shift ;;
    esac
done
E2E_NAME=soak
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_require Xvfb xdotool sox
e2e_build "$BUILD"
e2e_require_built "$PROGRAM" "$COMPOSE"

SAMPLER_PID=""
e2e_cleanup() { [ -n "$SAMPLER_PID" ] && kill "$SAMPLER_PID" 2> /dev/null; }
e2e_begin

# ---- The disk -------------------------------------------------------------------
DISK="$WORK/disk"
mkdir -p "$DISK/data/music"
cp "$ROOT/data/gui.fx" "$ROOT/data/font.png" "$ROOT/data/velta.png" "$DISK/data/"
"$COMPOSE" --tiny "$DISK/data/music" > /dev/null || e2e_fail "compose --tiny did not write the tracks"
{
    echo 4
    printf 'mod\ntiny.mod\nTiny Module\n'
    printf 'mod\ntiny.xm\nTiny Extended Module\n'
    printf 'mod\ntiny_shuffle.mod\nTiny Shuffle\n'
    printf 'stream\ntiny.ogg\nTiny Stream\n'
    for i in $(seq 1 40); do echo "SOAK TEST LINE $i OF THE ABOUT TEXT, LONG ENOUGH TO WRAP ONCE IN THE BOX"; done
} > "$DISK/data/disk.cfg"

# ---- X server and program ------------------------------------------------------------
start_xvfb

CAPTURE="$SDL_DISKAUDIOFILE"  # start_xvfb points SDL's disk audio there
(cd "$DISK" && exec "$PROGRAM") > "$WORK/stdout.log" 2> "$WORK/stderr.log" &
APP_PID=$!
START=$(date +%s)
find_window || e2e_fail "no window of class musicdisk: $(cat "$WORK/stderr.log")"

# Resident memory every second: seconds since start, VmRSS and VmHWM in kB.
(
    while [ -r "/proc/$APP_PID/status" ]; do
        awk -v t=$(($(date +%s) - START)) '/^VmRSS/ {r=$2} /^VmHWM/ {h=$2} END {if (r) print t, r, h}' \
            "/proc/$APP_PID/status" >> "$WORK/memory.log" 2> /dev/null
        sleep 1
    done
) &
SAMPLER_PID=$!

# ---- Driving ---------------------------------------------------------------------------
alive() { kill -0 "$APP_PID" 2> /dev/null; }
elapsed() { echo $(($(date +%s) - START)); }

WX=0 WY=0
window_position() {
    eval "$(xdotool getwindowgeometry --shell "$WINDOW" 2> /dev/null | grep -E '^(X|Y)=')"
    WX=${X:-0} WY=${Y:-0}
}
# A client pixel (the window has a one-pixel border) as a screen position.
move_to_client() { xdotool mousemove $((WX + 1 + $1)) $((WY + 1 + $2)); }
# Press long enough for a frame (20 ms) to see the button or key down.
click_client() {
    move_to_client "$1" "$2"
    sleep 0.03
    xdotool mousedown 1
    sleep 0.06
    xdotool mouseup 1
}
press() {
    xdotool keydown "$1"
    sleep 0.06
    xdotool keyup "$1"
}
hold() {
    xdotool keydown "$1"
    sleep "$2"
    xdotool keyup "$1"
}

# The player's buttons (client pixels, centres) that are safe to press.
BUTTONS=("674 182" "711 182" "693 205" "669 222" "716 222" "543 220" "551 243" "612 296" "594 296")
# Where Exit (515..572 x 255..278) and minimise and close (755..815 x 22..46) lie.
forbidden() {
    local x=$1 y=$2
    { [ "$x" -ge 510 ] && [ "$x" -le 577 ] && [ "$y" -ge 250 ] && [ "$y" -le 283 ]; } ||
        { [ "$x" -ge 750 ] && [ "$y" -le 51 ]; }
}

random_click() {
    local x y
    while :; do
        x=$((RANDOM % 818 + 1)) y=$((RANDOM % 318 + 1))
        forbidden "$x" "$y" || break
    done
    click_client "$x" "$y"
}

# Drags from a safe spot (left half, away from every button) to a new place on
# the screen.
drag_window() {
    window_position
    local fromX=$((RANDOM % 300 + 20)) fromY=$((RANDOM % 200 + 60))
    local toX=$((RANDOM % (1280 - 822))) toY=$((RANDOM % (800 - 322)))
    move_to_client "$fromX" "$fromY"
    sleep 0.05
    xdotool mousedown 1
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((WX + 1 + fromX + (toX - WX) * step / 8)) $((WY + 1 + fromY + (toY - WY) * step / 8))
        sleep 0.03
    done
    xdotool mouseup 1
    sleep 0.1
    window_position
}

random_action() {
    case $((RANDOM % 20)) in
        0 | 1 | 2) press Return ;;
        3 | 4) press p ;;
        5 | 6) press Left ;;
        7 | 8 | 9) press Right ;;
        10) press a ;;
        11) press i ;;
        12) press e ;;
        13) hold KP_Add "0.$((RANDOM % 9 + 1))" ;;
        14) hold KP_Subtract "0.$((RANDOM % 9 + 1))" ;;
        15 | 16) random_click ;;
        17 | 18) local b=${BUTTONS[$((RANDOM % ${#BUTTONS[@]}))]}; click_client ${b% *} ${b#* } ;;
        19) drag_window ;;
    esac
}

# The player on screen, whatever showed: A opens the about screen from any of the
# three, a click there goes back to the player.
to_player() {
    xdotool windowfocus "$WINDOW" 2> /dev/null
    window_position
    press a
    sleep 1.3
    click_client 150 160
    sleep 1.3
}

CHECK_SECONDS=8
check_phase() {
    to_player
    for _ in $(seq 1 10); do
        click_client 612 296  # volume up
        sleep 0.05
    done
    click_client 711 182      # Play
    sleep 0.5
    local from to
    from=$(stat -c %s "$CAPTURE" 2> /dev/null || echo 0)
    sleep "$CHECK_SECONDS"
    to=$(stat -c %s "$CAPTURE" 2> /dev/null || echo 0)
    echo "$(elapsed) $from $to" >> "$WORK/checks.log"
}

SEED=${SOAK_SEED:-$$}
RANDOM=$SEED
if [ "$SECONDS_TO_RUN" -ge 240 ]; then CHECK_EVERY=60; else CHECK_EVERY=$((SECONDS_TO_RUN / 2)); fi
[ "$CHECK_EVERY" -ge 15 ] || CHECK_EVERY=15
BASELINE_AT=$((SECONDS_TO_RUN >= 180 ? 60 : SECONDS_TO_RUN / 3))

sleep 2
xdotool windowfocus --sync "$WINDOW" 2> /dev/null
press Escape   # the logo
sleep 1.5
press Escape   # the intro
sleep 1.5
window_position
ACTIONS=0
NEXT_CHECK=$CHECK_EVERY
DIED=""
while [ "$(elapsed)" -lt "$SECONDS_TO_RUN" ]; do
    if ! alive; then
        DIED="at $(elapsed) s"
        break
    fi
    if [ "$(elapsed)" -ge "$NEXT_CHECK" ]; then
        check_phase
        NEXT_CHECK=$((NEXT_CHECK + CHECK_EVERY))
        continue
    fi
    random_action
    ACTIONS=$((ACTIONS + 1))
    sleep "$(printf '0.%02d' $((RANDOM % 25 + 5)))"
done

# ---- Quitting --------------------------------------------------------------------------
EXIT_CODE="died $DIED"
if [ -z "$DIED" ]; then
    to_player
    press Escape
    sleep 0.3
    press Escape
    for _ in $(seq 1 100); do
        alive || break
        sleep 0.1
    done
    if alive; then
        EXIT_CODE="still running 10 s after Escape"
    else
        wait "$APP_PID"
        EXIT_CODE=$?
    fi
else
    wait "$APP_PID"
    EXIT_CODE="died $DIED with status $?"
fi
APP_PID=""
kill "$SAMPLER_PID" 2> /dev/null
wait "$SAMPLER_PID" 2> /dev/null
SAMPLER_PID=""

# ---- Measuring --------------------------------------------------------------------------
read -r BASE_RSS FINAL_RSS MAX_RSS_AFTER PEAK_HWM < <(awk -v base="$BASELINE_AT" '
    { if ($1 >= base && b == "") b = $2; if ($1 >= base && $2 > m) m = $2; f = $2; if ($3 > h) h = $3 }
    END { if (b == "") b = f; print b + 0, f + 0, m + 0, h + 0 }' "$WORK/memory.log")
GROWTH=$((MAX_RSS_AFTER - BASE_RSS))
UNDERRUNS=$(sed -n 's/^audio: \([0-9]*\) underruns$/\1/p' "$WORK/stderr.log" | tail -n 1)
UNDERRUNS=${UNDERRUNS:-0}
LATE_STARTS=$(sed -n 's/^audio: \([0-9]*\) late starts$/\1/p' "$WORK/stderr.log" | tail -n 1)
LATE_STARTS=${LATE_STARTS:-0}
# SDL's disk driver announces itself on stderr; anything else is worth a look.
OTHER_STDERR=$(grep -Evc '^audio: [0-9]* (underruns|late starts)$|^CRITICAL: (You are using the SDL disk|.*Writing to file)' \
    "$WORK/stderr.log")

# Each check phase's capture in half-second pieces (44100 Hz float stereo, 8
# bytes a frame): a piece is sound when its RMS is above 0.005.
PIECE_FRAMES=22050
CHECKS=0 WORST_SOUND=100 ALL_PIECES=0 ALL_SOUND=0
while read -r at from to; do
    from=$((from / 8 * 8))
    frames=$(((to - from) / 8))
    pieces=$((frames / PIECE_FRAMES))
    [ "$pieces" -gt 0 ] || continue
    dd if="$CAPTURE" of="$WORK/check.raw" bs=65536 iflag=skip_bytes,count_bytes skip="$from" \
        count=$((pieces * PIECE_FRAMES * 8)) 2> /dev/null
    sound=0
    for p in $(seq 0 $((pieces - 1))); do
        rms=$(sox -t raw -e floating-point -b 32 -c 2 -r 44100 "$WORK/check.raw" -n \
            trim "$((p * PIECE_FRAMES))s" "${PIECE_FRAMES}s" stat 2>&1 | awk '/^RMS +amplitude/ {print $3}')
        awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.005) }' && sound=$((sound + 1))
    done
    percent=$((100 * sound / pieces))
    echo "   check at $at s: $sound of $pieces half-seconds sound"
    [ "$percent" -lt "$WORST_SOUND" ] && WORST_SOUND=$percent
    CHECKS=$((CHECKS + 1)) ALL_PIECES=$((ALL_PIECES + pieces)) ALL_SOUND=$((ALL_SOUND + sound))
done < <(cat "$WORK/checks.log" 2> /dev/null)
[ "$CHECKS" -gt 0 ] || WORST_SOUND=0
CAPTURED_SECONDS=$(($(stat -c %s "$CAPTURE" 2> /dev/null || echo 0) / 352800))

# ---- Summary -------------------------------------------------------------------------------
STATUS=0
# row NAME VALUE [CONDITION]: one line of the table; a condition that does not
# hold fails the soak.
row() {
    local verdict=""
    if [ -n "${3:-}" ]; then
        if eval "$3"; then verdict=ok; else verdict=FAIL; STATUS=1; fi
    fi
    printf '%-40s %-26s %s\n' "$1" "$2" "$verdict"
}
echo "soak: ${SECONDS_TO_RUN} s, seed $SEED, $ACTIONS random actions, ${CAPTURED_SECONDS} s of sound captured"
row "measure" "value" ""
row "crashes" "${DIED:-none}" '[ -z "$DIED" ]'
row "exit code after Escape" "$EXIT_CODE" '[ "$EXIT_CODE" = 0 ]'
row "resident memory at ${BASELINE_AT} s" "$((BASE_RSS / 1024)) MB"
row "resident memory at the end" "$((FINAL_RSS / 1024)) MB"
row "peak resident memory (VmHWM)" "$((PEAK_HWM / 1024)) MB"
row "growth after ${BASELINE_AT} s (max - base)" "${GROWTH} kB" '[ "$GROWTH" -lt 5120 ]'
row "audio underruns" "$UNDERRUNS" '[ "$UNDERRUNS" -eq 0 ]'
row "late starts after a play" "$LATE_STARTS" '[ "$LATE_STARTS" -eq 0 ]'
row "check phases" "$CHECKS" '[ "$CHECKS" -gt 0 ]'
row "sound in check phases (all)" "$ALL_SOUND of $ALL_PIECES half-seconds"
row "sound in the worst check phase" "${WORST_SOUND} %" '[ "$WORST_SOUND" -ge 75 ]'
row "other lines on stderr" "$OTHER_STDERR"
if [ "$OTHER_STDERR" -gt 0 ]; then
    echo "--- stderr:"
    head -n 20 "$WORK/stderr.log"
fi
if [ $STATUS -eq 0 ]; then echo "soak: 1 passed, 0 failed"; else echo "soak: 0 passed, 1 failed"; fi
exit $STATUS
