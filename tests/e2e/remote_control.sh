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
# and a key pressed in the window; the keyboard's media keys; a flood of 5,000
# Next calls at once is answered in full while the picture goes on changing;
# Raise; Quit ends the program with exit code 0. The screen saver is left alone: no Inhibit call
# reaches org.freedesktop.ScreenSaver (watched with dbus-monitor), and the same
# watch sees one when SDL's default is put back. Without a session bus the
# program plays as before, with one line on stderr.
#
# Usage: remote_control.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when a tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build}
BUILD=$(cd "$BUILD" 2> /dev/null && pwd) || { echo "remote_control: FAILED: no build folder"; exit 1; }
E2E_NAME=remote_control
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_require Xvfb xdotool xwininfo sox playerctl dbus-run-session dbus-send dbus-monitor import
PROGRAM=$BUILD/musicdisk
COMPOSE=$BUILD/tools/compose/compose
BUS_FLOOD=$BUILD/tests/bus_flood
[ -x "$PROGRAM" ] && [ -x "$COMPOSE" ] && [ -x "$BUS_FLOOD" ] ||
    { echo "remote_control: FAILED: build musicdisk, compose and bus_flood first"; exit 1; }

# Everything runs on a private session bus of its own.
if [ -z "${REMOTE_CONTROL_INSIDE:-}" ]; then
    REMOTE_CONTROL_INSIDE=1 exec dbus-run-session -- bash "$0" "$BUILD" 2> >(grep -v "^dbus-daemon\[" >&2)
fi

MONITOR_PID="" FOLLOW_PIDS=""
e2e_cleanup() { for pid in $FOLLOW_PIDS $MONITOR_PID; do kill "$pid" 2> /dev/null; done; }
e2e_begin

# The disk: three tones with titles in Latin-1 ("café") and UTF-8 ("été").
DISK=$WORK/disk
mkdir -p "$DISK/data/music"
"$COMPOSE" --tones "$DISK/data/music" 15 > /dev/null || fail "compose --tones did not write the tracks"
cp "$ROOT/data/gui.fx" "$ROOT/data/font.png" "$ROOT/data/velta.png" "$DISK/data/"
printf '3\nstream\ntone_a.wav\nTone A caf\xe9\nstream\ntone_b.wav\nTone B \xc3\xa9t\xc3\xa9\nstream\ntone_c.wav\nTone C\nTones.\n' \
    > "$DISK/data/disk.cfg"

start_xvfb
unset SDL_VIDEO_ALLOW_SCREENSAVER

dbus-monitor --session "interface='org.freedesktop.ScreenSaver'" > "$WORK/screensaver.log" 2>&1 &
MONITOR_PID=$!

pc() { timeout 5 playerctl -p musicdisk "$@" 2> /dev/null; }
mpris() {  # method [interface]
    timeout 5 dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.musicdisk /org/mpris/MediaPlayer2 \
        "${2:-org.mpris.MediaPlayer2}.$1" > /dev/null
}
start_program() {
    (cd "$DISK" && exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
    APP_PID=$!
    for _ in $(seq 1 100); do
        [ "$(pc status)" = Playing ] && return 0
        sleep 0.1
    done
    fail "the player did not appear on the bus"
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
        fail "$1: expected a $2 Hz tone, heard RMS and Hz $heard (now at $(position) s of $(pc metadata title))"
    say "$1: $2 Hz (RMS and Hz $heard)"
}
expect_quiet() {  # what
    local heard; heard=$(listen 0.4)
    awk -v h="$heard" 'BEGIN { split(h, v, " "); exit !(v[1] < 0.0001) }' || fail "$1: not silent (RMS and Hz $heard)"
    say "$1: silent"
}
expect_status() {  # what status
    local status; status=$(pc status)
    [ "$status" = "$2" ] || fail "$1: status $status, expected $2"
}
expect_title() {  # what title
    local title; title=$(pc metadata title)
    [ "$title" = "$2" ] || fail "$1: title '$title', expected '$2'"
}
# The Position property in seconds (playerctl says 0 for any stopped player).
position() {
    timeout 5 dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.musicdisk /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Position |
        awk '/int64/ {printf "%.3f\n", $3 / 1e6}'
}
# True when a >= b - slack (seconds).
not_before() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b - 0.05) }'; }
# A key pressed in the window, the pointer over it.
window_key() { xdotool mousemove 400 250; key "$1"; }

# ---- No session bus: the program plays as before, with one line on stderr.
(cd "$DISK" && DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/no-bus exec "$PROGRAM") > "$WORK/app.log" 2>&1 &
APP_PID=$!
sleep 1.5
expect_tone "without a bus, track A" 440
kill -TERM "$APP_PID"
expect_exit 5
[ "$(grep -c 'session bus' "$WORK/app.log")" -eq 1 ] || fail "without a bus: expected one line about it on stderr"
say "without a bus: $(grep 'session bus' "$WORK/app.log")"
rm -f "$WORK/out.raw"

# ---- The player on the bus.
start_program
[ "$(pc metadata xesam:album)" = "Quorvatelle 3" ] || fail "album"
[ "$(pc metadata mpris:length)" = 15000000 ] || fail "length $(pc metadata mpris:length)"
expect_title "track A, a Latin-1 title" "Tone A café"
expect_tone "playing at start" 440

pc play; expect_status "play while playing" Playing; expect_tone "play while playing" 440
pc pause; expect_status "pause while playing" Paused; expect_quiet "pause while playing"
paused_at=$(position)
pc pause; expect_status "pause while paused" Paused; expect_quiet "pause while paused"
[ "$(position)" = "$paused_at" ] || fail "the position moved while paused ($paused_at, $(position))"
pc play; expect_status "play while paused" Playing; expect_tone "play while paused" 440
not_before "$(position)" "$paused_at" || fail "play while paused did not resume ($paused_at, $(position))"
pc stop; pc play  # from the top again, so the track does not end during the next checks
pc play-pause; expect_status "play-pause while playing" Paused; expect_quiet "play-pause while playing"
paused_at=$(position)
pc play-pause; expect_status "play-pause while paused" Playing; expect_tone "play-pause while paused" 440
not_before "$(position)" "$paused_at" || fail "play-pause while paused did not resume"
pc stop; expect_status "stop while playing" Stopped; expect_quiet "stop while playing"
[ "$(position)" = 0.000 ] || fail "stop did not rewind ($(position))"
pc stop; expect_status "stop while stopped" Stopped
pc pause; expect_status "pause while stopped" Stopped; expect_quiet "pause while stopped"
pc play-pause; expect_status "play-pause while stopped" Playing; expect_tone "play-pause while stopped" 440
pc pause; pc stop; expect_status "stop while paused" Stopped
[ "$(position)" = 0.000 ] || fail "stop while paused did not rewind ($(position))"
pc play; expect_status "play while stopped" Playing; expect_tone "play while stopped" 440
# Between the two reads lie at least the 0.5 s of sleep and at most the time
# from before the first call to after the second.
t0=$(date +%s.%N); a=$(position); sleep 0.5; b=$(position); t1=$(date +%s.%N)
awk -v a="$a" -v b="$b" -v t="$(awk -v x="$t0" -v y="$t1" 'BEGIN { print y - x }')" \
    'BEGIN { exit !(b - a > 0.45 && b - a < t + 0.1) }' || fail "position moved from $a to $b in 0.5 s (of $t0 to $t1)"
say "position: $a, then $b after 0.5 s"

pc next; expect_title "next" "Tone B été"; expect_tone "next" 660
pc next; expect_tone "next again" 990
pc next; expect_title "next wraps" "Tone A café"; expect_tone "next wraps" 440
pc previous; expect_title "previous wraps" "Tone C"; expect_tone "previous wraps" 990
pc previous; expect_tone "previous" 660
pc pause; pc next; expect_title "next while paused" "Tone C"
expect_status "next while paused only moves" Stopped; expect_quiet "next while paused"
pc previous; expect_status "previous while stopped" Stopped; expect_title "previous while stopped" "Tone B été"
pc play; expect_tone "play after the skips" 660

loud=$(listen 0.4)
pc volume 0.3
[ "$(pc volume)" = 0.300000 ] || fail "volume reads $(pc volume) after volume 0.3"
quiet=$(listen 0.4)
awk -v l="$loud" -v q="$quiet" 'BEGIN { split(l, a, " "); split(q, b, " "); exit !(b[1] < a[1] * 0.1 && b[1] > 0) }' ||
    fail "volume 0.3: RMS went from ${loud% *} to ${quiet% *}"
say "volume 0.3: RMS ${loud% *} -> ${quiet% *}"
pc volume 1.0

# ---- playerctl --follow sees a track end by itself and a key in the window.
timeout 30 playerctl -p musicdisk --follow metadata title > "$WORK/follow_title.txt" 2> /dev/null &
FOLLOW_PIDS="$!"
timeout 30 playerctl -p musicdisk --follow status > "$WORK/follow_status.txt" 2> /dev/null &
FOLLOW_PIDS="$FOLLOW_PIDS $!"
for _ in $(seq 1 200); do
    grep -q "Tone C" "$WORK/follow_title.txt" && break
    sleep 0.1
done
grep -q "Tone C" "$WORK/follow_title.txt" || fail "--follow did not see track B end by itself: $(cat "$WORK/follow_title.txt")"
expect_tone "track B ended by itself" 990
window_key p
for _ in $(seq 1 30); do
    grep -q Paused "$WORK/follow_status.txt" && break
    sleep 0.1
done
grep -q Paused "$WORK/follow_status.txt" || fail "--follow did not see P pressed in the window"
say "--follow: $(tr '\n' ' ' < "$WORK/follow_title.txt")/ $(tr '\n' ' ' < "$WORK/follow_status.txt")"

# ---- The keyboard's media keys.
say "media keys from $(position) s of $(pc metadata title)"
window_key XF86AudioPlay; expect_status "media key play/pause while paused" Playing
window_key XF86AudioPlay; expect_status "media key play/pause while playing" Paused
window_key XF86AudioNext; expect_title "media key next" "Tone A café"
window_key XF86AudioPrev; expect_title "media key previous" "Tone C"
window_key XF86AudioPlay; expect_tone "media key play" 990
window_key XF86AudioStop; expect_status "media key stop" Stopped; expect_quiet "media key stop"

# ---- A flood of calls. While 5,000 Next calls wait their turn the window goes on
# drawing: its picture (the equalizer, the scrolling title, the track changing)
# differs between most screenshots, however busy the machine. Then every call has been answered and
# the player stands two tracks on (5,000 = 2 mod 3).
pc play; expect_title "before the flood" "Tone C"
find_window || fail "no window before the flood"
"$BUS_FLOOD" 5000 > "$WORK/flood.log" 2>&1 &
FLOOD_PID=$!
shots=0 changed=0 last=""
while kill -0 "$FLOOD_PID" 2> /dev/null && [ "$shots" -lt 30 ]; do
    shot=$(import -window "$WINDOW" rgb:- 2> /dev/null | md5sum)
    shots=$((shots + 1))
    [ -n "$last" ] && [ "$shot" != "$last" ] && changed=$((changed + 1))
    last=$shot
done
wait "$FLOOD_PID" || fail "the flood: $(cat "$WORK/flood.log")"
say "flood: $(tail -n 1 "$WORK/flood.log"); the picture changed in $changed of $((shots - 1)) screenshots meanwhile"
[ "$shots" -ge 4 ] && [ $((changed * 2)) -ge $((shots - 1)) ] || fail "the picture stood still during the flood"
expect_title "after the flood" "Tone B été"

mpris Raise || fail "Raise"
mpris Quit || fail "Quit"
expect_exit 4
say "Quit: exit code 0"
grep -q "member=Inhibit" "$WORK/screensaver.log" && fail "the program asked the desktop to inhibit the screen saver"
say "screen saver: no Inhibit call"

# ---- Positive control: with SDL's default the same watch sees the call.
SDL_VIDEO_ALLOW_SCREENSAVER=0 start_program
mpris Quit || fail "Quit"
expect_exit 4
grep -q "member=Inhibit" "$WORK/screensaver.log" || fail "the watch did not see SDL's own Inhibit call"
say "screen saver: SDL's default makes the Inhibit call the watch sees"
say "passed"
