#!/usr/bin/env bash
# The program on a desktop's session bus: a real MPRIS client (playerctl) and
# dbus-send drive it on a private bus (dbus-run-session), under Xvfb, with SDL's
# disk audio driver capturing what it plays. The disk is three steady tones made
# by compose (A 440 Hz, B 660 Hz, C 990 Hz, 15 s each), so the captured sound says
# which track plays.
#
# Checks: the player's identity and metadata (a Latin-1 title arrives as UTF-8, a
# UTF-8 one as it is); play, pause, play-pause and stop in each playback state
# (each checked against the sound); next and previous with the wrap; a skip while
# paused only moves; volume 0.3 lowers the sound; the position moves while
# playing and stands while paused; playerctl --follow sees a track end by itself
# and a key pressed in the window; the keyboard's media keys; Raise; Quit ends
# the program with exit code 0. The screen saver is left alone: no Inhibit call
# reaches org.freedesktop.ScreenSaver (watched with dbus-monitor), and the same
# watch sees one when SDL's default is put back. Without a session bus the
# program plays as before, with one line on stderr.
#
# Usage: remote_control.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when a tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=remote_control
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require Xvfb xdotool xwininfo sox playerctl dbus-run-session dbus-send dbus-monitor
e2e_require_built "$PROGRAM" "$COMPOSE"
# Everything runs on a private session bus of its own.
e2e_private_bus "$BUILD"

MONITOR_PID="" FOLLOW_PIDS=""
e2e_cleanup() { for pid in $FOLLOW_PIDS $MONITOR_PID; do kill "$pid" 2> /dev/null; done; }
e2e_begin

# The disk: three tones with titles in Latin-1 ("café") and UTF-8 ("été").
e2e_tone_disk 15 $'Tone A caf\xe9' $'Tone B \xc3\xa9t\xc3\xa9'

start_xvfb
unset SDL_VIDEO_ALLOW_SCREENSAVER

dbus-monitor --session "interface='org.freedesktop.ScreenSaver'" > "$WORK/screensaver.log" 2>&1 &
MONITOR_PID=$!

start_program() {
    (cd "$DISK" && exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
    APP_PID=$!
    for _ in $(seq 1 100); do
        [ "$(e2e_player status)" = Playing ] && return 0
        sleep 0.1
    done
    e2e_fail "the player did not appear on the bus"
}
segment_stat() {  # from to -> sox stat output
    dd if="$WORK/out.raw" of="$WORK/segment.raw" bs=8 skip="$1" count=$(($2 - $1)) status=none
    sox -t raw -r 44100 -e float -b 32 -c 2 "$WORK/segment.raw" -n remix 1 stat 2>&1
}
# Listens for `seconds` from now: "RMS FREQUENCY".
listen() {  # seconds
    local a b
    sleep 0.3  # the command's ramp and the device buffer
    a=$(captured); sleep "$1"; b=$(captured)
    segment_stat "$a" "$b" | awk '/RMS +amplitude/ {r = $3} /Rough +frequency/ {f = $3} END {print r, f}'
}
expect_tone() {  # what hz
    local heard; heard=$(listen 0.5)
    awk -v h="$heard" -v hz="$2" 'BEGIN { split(h, v, " "); exit !(v[1] > 0.05 && v[2] > hz - 40 && v[2] < hz + 40) }' ||
        e2e_fail "$1: expected a $2 Hz tone, heard RMS and Hz $heard (now at $(e2e_position) s of $(e2e_player metadata title))"
    e2e_say "$1: $2 Hz (RMS and Hz $heard)"
}
expect_quiet() {  # what
    local heard; heard=$(listen 0.4)
    awk -v h="$heard" 'BEGIN { split(h, v, " "); exit !(v[1] < 0.0001) }' || e2e_fail "$1: not silent (RMS and Hz $heard)"
    e2e_say "$1: silent"
}
expect_status() {  # what status
    local status; status=$(e2e_player status)
    [ "$status" = "$2" ] || e2e_fail "$1: status $status, expected $2"
}
expect_title() {  # what title
    local title; title=$(e2e_player metadata title)
    [ "$title" = "$2" ] || e2e_fail "$1: title '$title', expected '$2'"
}
# True when a >= b - slack (seconds).
not_before() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b - 0.05) }'; }
# A key pressed in the window, the pointer over it.
window_key() { xdotool mousemove 400 250; e2e_key "$1"; }

# ---- No session bus: the program plays as before, with one line on stderr.
(cd "$DISK" && DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/no-bus exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
APP_PID=$!
sleep 1.5
expect_tone "without a bus, track A" 440
kill -TERM "$APP_PID"
expect_exit 5
[ "$(grep -c 'session bus' "$WORK/app.log")" -eq 1 ] || e2e_fail "without a bus: expected one line about it on stderr"
e2e_say "without a bus: $(grep 'session bus' "$WORK/app.log")"
rm -f "$WORK/out.raw"

# ---- The player on the bus.
start_program
[ "$(e2e_player metadata xesam:album)" = "Quorvatelle 3" ] || e2e_fail "album"
[ "$(e2e_player metadata mpris:length)" = 15000000 ] || e2e_fail "length $(e2e_player metadata mpris:length)"
expect_title "track A, a Latin-1 title" "Tone A café"
expect_tone "playing at start" 440

e2e_player play; expect_status "play while playing" Playing; expect_tone "play while playing" 440
e2e_player pause; expect_status "pause while playing" Paused; expect_quiet "pause while playing"
paused_at=$(e2e_position)
e2e_player pause; expect_status "pause while paused" Paused; expect_quiet "pause while paused"
[ "$(e2e_position)" = "$paused_at" ] || e2e_fail "the position moved while paused ($paused_at, $(e2e_position))"
e2e_player play; expect_status "play while paused" Playing; expect_tone "play while paused" 440
not_before "$(e2e_position)" "$paused_at" || e2e_fail "play while paused did not resume ($paused_at, $(e2e_position))"
e2e_player stop; e2e_player play  # from the top again, so the track does not end during the next checks
e2e_player play-pause; expect_status "play-pause while playing" Paused; expect_quiet "play-pause while playing"
paused_at=$(e2e_position)
e2e_player play-pause; expect_status "play-pause while paused" Playing; expect_tone "play-pause while paused" 440
not_before "$(e2e_position)" "$paused_at" || e2e_fail "play-pause while paused did not resume"
e2e_player stop; expect_status "stop while playing" Stopped; expect_quiet "stop while playing"
[ "$(e2e_position)" = 0.000 ] || e2e_fail "stop did not rewind ($(e2e_position))"
e2e_player stop; expect_status "stop while stopped" Stopped
e2e_player pause; expect_status "pause while stopped" Stopped; expect_quiet "pause while stopped"
e2e_player play-pause; expect_status "play-pause while stopped" Playing; expect_tone "play-pause while stopped" 440
e2e_player pause; e2e_player stop; expect_status "stop while paused" Stopped
[ "$(e2e_position)" = 0.000 ] || e2e_fail "stop while paused did not rewind ($(e2e_position))"
e2e_player play; expect_status "play while stopped" Playing; expect_tone "play while stopped" 440
# Between the two reads lie at least the 0.5 s of sleep and at most the time
# from before the first call to after the second.
t0=$(date +%s.%N); a=$(e2e_position); sleep 0.5; b=$(e2e_position); t1=$(date +%s.%N)
awk -v a="$a" -v b="$b" -v t="$(awk -v x="$t0" -v y="$t1" 'BEGIN { print y - x }')" \
    'BEGIN { exit !(b - a > 0.45 && b - a < t + 0.1) }' || e2e_fail "position moved from $a to $b in 0.5 s (of $t0 to $t1)"
e2e_say "position: $a, then $b after 0.5 s"

e2e_player next; expect_title "next" "Tone B été"; expect_tone "next" 660
e2e_player next; expect_tone "next again" 990
e2e_player next; expect_title "next wraps" "Tone A café"; expect_tone "next wraps" 440
e2e_player previous; expect_title "previous wraps" "Tone C"; expect_tone "previous wraps" 990
e2e_player previous; expect_tone "previous" 660
e2e_player pause; e2e_player next; expect_title "next while paused" "Tone C"
expect_status "next while paused only moves" Stopped; expect_quiet "next while paused"
e2e_player previous; expect_status "previous while stopped" Stopped; expect_title "previous while stopped" "Tone B été"
e2e_player play; expect_tone "play after the skips" 660

loud=$(listen 0.4)
e2e_player volume 0.3
[ "$(e2e_player volume)" = 0.300000 ] || e2e_fail "volume reads $(e2e_player volume) after volume 0.3"
quiet=$(listen 0.4)
awk -v l="$loud" -v q="$quiet" 'BEGIN { split(l, a, " "); split(q, b, " "); exit !(b[1] < a[1] * 0.1 && b[1] > 0) }' ||
    e2e_fail "volume 0.3: RMS went from ${loud% *} to ${quiet% *}"
e2e_say "volume 0.3: RMS ${loud% *} -> ${quiet% *}"
e2e_player volume 1.0

# ---- playerctl --follow sees a track end by itself and a key in the window.
timeout 30 playerctl -p musicdisk --follow metadata title > "$WORK/follow_title.txt" 2> /dev/null &
FOLLOW_PIDS="$!"
timeout 30 playerctl -p musicdisk --follow status > "$WORK/follow_status.txt" 2> /dev/null &
FOLLOW_PIDS="$FOLLOW_PIDS $!"
for _ in $(seq 1 200); do
    grep -q "Tone C" "$WORK/follow_title.txt" && break
    sleep 0.1
done
grep -q "Tone C" "$WORK/follow_title.txt" || e2e_fail "--follow did not see track B end by itself: $(cat "$WORK/follow_title.txt")"
expect_tone "track B ended by itself" 990
window_key p
for _ in $(seq 1 30); do
    grep -q Paused "$WORK/follow_status.txt" && break
    sleep 0.1
done
grep -q Paused "$WORK/follow_status.txt" || e2e_fail "--follow did not see P pressed in the window"
e2e_say "--follow: $(tr '\n' ' ' < "$WORK/follow_title.txt")/ $(tr '\n' ' ' < "$WORK/follow_status.txt")"

# ---- The keyboard's media keys.
e2e_say "media keys from $(e2e_position) s of $(e2e_player metadata title)"
window_key XF86AudioPlay; expect_status "media key play/pause while paused" Playing
window_key XF86AudioPlay; expect_status "media key play/pause while playing" Paused
window_key XF86AudioNext; expect_title "media key next" "Tone A café"
window_key XF86AudioPrev; expect_title "media key previous" "Tone C"
window_key XF86AudioPlay; expect_tone "media key play" 990
window_key XF86AudioStop; expect_status "media key stop" Stopped; expect_quiet "media key stop"

e2e_mpris Raise || e2e_fail "Raise"
e2e_mpris Quit || e2e_fail "Quit"
expect_exit 4
e2e_say "Quit: exit code 0"
grep -q "member=Inhibit" "$WORK/screensaver.log" && e2e_fail "the program asked the desktop to inhibit the screen saver"
e2e_say "screen saver: no Inhibit call"

# ---- Positive control: with SDL's default the same watch sees the call.
SDL_VIDEO_ALLOW_SCREENSAVER=0 start_program
e2e_mpris Quit || e2e_fail "Quit"
expect_exit 4
grep -q "member=Inhibit" "$WORK/screensaver.log" || e2e_fail "the watch did not see SDL's own Inhibit call"
e2e_say "screen saver: SDL's default makes the Inhibit call the watch sees"
e2e_say "passed"
