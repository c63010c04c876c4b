# Shared by the end-to-end scripts: the build folder and what must be built in it,
# skipping when a tool is missing, the work folder and its cleanup, failing with
# the program's output, a private session bus, a private X server, driving and
# hearing the program, and reaching its player on the bus. Sourced, so not named *.sh: build.sh runs
# every tests/e2e/*.sh as a test.
#
# A script sets E2E_NAME (the name its lines start with), then sources this file.
# It may define two hooks:
#   e2e_cleanup      stops processes of its own; runs first at exit
#   e2e_more_logs    prints logs of its own; e2e_fail runs it after the program's output
#
#   e2e_build [DIR]            BUILD: DIR (ROOT/build when empty) as an absolute path, with
#                              PROGRAM and COMPOSE (the test music maker) in it; exit 1 with
#                              a line when there is no such folder
#   e2e_require_built FILE...  exit 1 with a line when a file of the build is not there
#   e2e_require TOOL...        exit 77 with a line when a tool is not installed
#   e2e_private_bus ARG...     the script again, with ARG..., on a session bus of its
#                              own (dbus-run-session); returns at once when on it already
#   e2e_begin                  WORK, a new folder. At exit: e2e_cleanup, then the
#                              program (APP_PID) and Xvfb (XVFB_PID) are killed and
#                              WORK is removed.
#   e2e_tone_disk SECONDS [TITLE_A TITLE_B]
#                              DISK: a disk in $WORK/disk of compose's three steady tones
#                              (A 440 Hz, B 660 Hz, C 990 Hz) of SECONDS each, titled
#                              "Tone A", "Tone B" and "Tone C" unless given, with the
#                              bundled effect, font and artwork
#   e2e_fail TEXT...           "NAME: FAILED: TEXT", the program's output ($WORK/app.log), exit 1
#   e2e_say TEXT...            "NAME: TEXT"
#   start_xvfb [WxHxD]         Xvfb on a free display (1280x800x24 unless given); exports
#                              DISPLAY, SDL on X11 and SDL's disk audio into $WORK/out.raw
#   find_window                WINDOW: the program's window, once it is there; false after
#                              10 s or as soon as the program (APP_PID) has ended
#   wait_for_window            find_window, failing when there is no window
#   e2e_key KEY                KEY held across a frame (frames are about 20 ms), then a pause
#   e2e_to_player              from the logo to the player screen: Escape past the logo and
#                              the intro, and the player's fade-in
#   captured                   the frames of audio captured so far (44.1 kHz, stereo floats)
#   rms FROM TO                the RMS amplitude of the capture between two frame positions
#   expect_sound WHAT FROM TO  fails unless the capture is audible there (RMS > 0.01)
#   expect_silence WHAT FROM TO  fails unless it is silent there (RMS < 0.0001)
#   e2e_wait_exit VAR SECONDS  the exit code of the process whose id VAR holds (VAR is then
#                              emptied), or 255 while it still runs SECONDS later
#   expect_exit SECONDS        the program ends within SECONDS, with exit code 0
#   e2e_player ARG...          playerctl ARG... on the program's player (5 s at most)
#   e2e_mpris METHOD [IFACE]   calls METHOD of the player's object (of org.mpris.MediaPlayer2
#                              unless IFACE is given); false when it does not answer
#   e2e_position               the Position property in seconds (playerctl says 0 for
#                              any stopped player)
# shellcheck shell=bash

XVFB_PID=""
APP_PID=""
WINDOW=""

# shellcheck disable=SC2034  # the sourcing script's
e2e_build() {
    BUILD=$(cd "${1:-$ROOT/build}" 2> /dev/null && pwd) || { echo "$E2E_NAME: FAILED: no build folder ${1:-$ROOT/build}"; exit 1; }
    PROGRAM=$BUILD/musicdisk
    COMPOSE=$BUILD/tools/compose/compose
}

e2e_require_built() {
    local file
    for file in "$@"; do
        [ -x "$file" ] || { echo "$E2E_NAME: FAILED: $file is not built"; exit 1; }
    done
}

e2e_require() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null; then
            echo "$E2E_NAME: skipped, $tool is not installed"
            exit 77
        fi
    done
}

e2e_private_bus() {
    [ -n "${E2E_ON_PRIVATE_BUS:-}" ] && return 0
    E2E_ON_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v "^dbus-daemon\[" >&2)
}

e2e_exit() {
    declare -F e2e_cleanup > /dev/null && e2e_cleanup
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2> /dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2> /dev/null
    wait 2> /dev/null
    rm -rf "$WORK"
}

e2e_begin() {
    WORK=$(mktemp -d)
    trap e2e_exit EXIT
}

e2e_fail() {
    echo "$E2E_NAME: FAILED: $*"
    [ -f "$WORK/app.log" ] && { echo "--- program output:"; cat "$WORK/app.log"; }
    declare -F e2e_more_logs > /dev/null && e2e_more_logs
    exit 1
}

e2e_say() { echo "$E2E_NAME: $*"; }

e2e_tone_disk() {
    DISK=$WORK/disk
    mkdir -p "$DISK/data/music"
    "$COMPOSE" --tones "$DISK/data/music" "$1" > /dev/null || e2e_fail "compose --tones did not write the tracks"
    cp "$ROOT/data/gui.fx" "$ROOT/data/font.png" "$ROOT/data/velta.png" "$DISK/data/"
    printf '3\nstream\ntone_a.wav\n%s\nstream\ntone_b.wav\n%s\nstream\ntone_c.wav\nTone C\nTones.\n' \
        "${2:-Tone A}" "${3:-Tone B}" > "$DISK/data/disk.cfg"
}

start_xvfb() {
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800x24}" -nolisten tcp 3> "$WORK/display" 2> "$WORK/xvfb.log" &
    XVFB_PID=$!
    # The number is written once the server listens; a whole line is waited for,
    # and then a client that gets an answer, before anything is started on it.
    for _ in $(seq 1 100); do
        [ "$(tail -c 1 "$WORK/display" 2> /dev/null | od -An -c | tr -d ' ')" = '\n' ] && break
        sleep 0.1
    done
    [ -s "$WORK/display" ] || e2e_fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    DISPLAY=":$(head -n 1 "$WORK/display")"
    export DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$WORK/out.raw"
    unset WAYLAND_DISPLAY
    for _ in $(seq 1 50); do
        xdotool getdisplaygeometry > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    e2e_fail "Xvfb on $DISPLAY does not answer: $(cat "$WORK/xvfb.log")"
}

find_window() {
    WINDOW=""
    for _ in $(seq 1 100); do
        WINDOW=$(xdotool search --classname '^musicdisk$' 2> /dev/null | head -n 1)
        [ -n "$WINDOW" ] && return 0
        [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2> /dev/null && return 1
        sleep 0.1
    done
    return 1
}

wait_for_window() { find_window || e2e_fail "the window did not appear"; }

e2e_key() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; sleep 0.2; }

e2e_to_player() {
    sleep 1
    e2e_key Escape  # logo -> intro
    sleep 0.5
    e2e_key Escape  # intro -> player
    sleep 1.5
}

captured() { echo $(( $(stat -c %s "$WORK/out.raw" 2> /dev/null || echo 0) / 8 )); }

rms() {
    dd if="$WORK/out.raw" of="$WORK/segment.raw" bs=8 skip="$1" count=$(($2 - $1)) status=none
    sox -t raw -r 44100 -e float -b 32 -c 2 "$WORK/segment.raw" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'
}

expect_sound() {
    local level
    level=$(rms "$2" "$3")
    awk -v l="$level" 'BEGIN { exit !(l > 0.01) }' || e2e_fail "$1: silent (RMS $level)"
    e2e_say "$1: RMS $level"
}

# Seconds of silence at the start of a recording (all of it when silent).
e2e_leading_silence() {  # file
    local total rest
    total=$(stat -c %s "$1")
    sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -t raw "$WORK/trimmed.raw" silence 1 0.01 1% 2> /dev/null
    rest=$(stat -c %s "$WORK/trimmed.raw" 2> /dev/null || echo 0)
    awk -v t="$total" -v r="$rest" 'BEGIN { printf "%.3f\n", (t - r) / 8 / 44100 }'
}

expect_silence() {
    local level
    level=$(rms "$2" "$3")
    awk -v l="$level" 'BEGIN { exit !(l < 0.0001) }' || e2e_fail "$1: not silent (RMS $level)"
    e2e_say "$1: RMS $level"
}

e2e_wait_exit() {
    local -n pid=$1
    for _ in $(seq 1 $(($2 * 10))); do
        if ! kill -0 "$pid" 2> /dev/null; then
            wait "$pid"
            local status=$?
            pid=""
            return $status
        fi
        sleep 0.1
    done
    return 255
}

expect_exit() {
    e2e_wait_exit APP_PID "$1"
    local status=$?
    [ -n "$APP_PID" ] && e2e_fail "still running $1 s later"
    [ "$status" -eq 0 ] || e2e_fail "exit code $status"
}

e2e_player() { timeout 5 playerctl -p musicdisk "$@" 2> /dev/null; }

e2e_call_player() {
    timeout 5 dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.musicdisk /org/mpris/MediaPlayer2 "$@"
}

e2e_mpris() { e2e_call_player "${2:-org.mpris.MediaPlayer2}.$1" > /dev/null; }

e2e_position() {
    e2e_call_player org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Position |
        awk '/int64/ {printf "%.3f\n", $3 / 1e6}'
}
