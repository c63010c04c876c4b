#!/usr/bin/env bash
# The program against a real sound server: a private PulseAudio with a null sink,
# started and stopped by this script, under Xvfb and on a private session bus.
# The disk is compose's three steady tones (A 440 Hz, B 660 Hz, C 990 Hz), long
# enough that one track outlasts a server restart.
#
# Checks: `pactl list sink-inputs` shows the stream as "Quorvatelle 3" with the
# role "music"; the sink's monitor (parec) hears track A, and silence after a
# stop. Then the server is killed while the track plays and a new one started:
# the frame loop keeps running meanwhile (a volume set over the bus is taken and
# published while there is no server), and the music is heard again on the new
# server's monitor, from a later point of the same track, within 10 s. The gap
# between the kill and the first sound on the new server is printed.
#
# Usage: sound_server.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when a tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=sound_server
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require Xvfb pulseaudio pactl parec sox playerctl dbus-run-session dbus-send
e2e_require_built "$PROGRAM" "$COMPOSE"
e2e_private_bus "$BUILD"

PULSE_PID="" RECORD_PID=""
e2e_cleanup() { for pid in $RECORD_PID $PULSE_PID; do kill "$pid" 2> /dev/null; done; }
e2e_more_logs() { [ -f "$WORK/pulse.log" ] && { echo "--- sound server output:"; grep -v "^W:" "$WORK/pulse.log"; }; }
e2e_begin

now() { date +%s.%N; }

e2e_tone_disk 30

# A private server: its own runtime and state folders, one socket, a null sink
# whose monitor the test records, no autospawn and no idle exit.
PULSE_DIR=$WORK/pulse
mkdir -p "$PULSE_DIR/runtime" "$PULSE_DIR/state"
printf 'autospawn = no\n' > "$PULSE_DIR/client.conf"
export PULSE_SERVER=unix:$PULSE_DIR/native PULSE_CLIENTCONFIG=$PULSE_DIR/client.conf
launch_server() {
    XDG_RUNTIME_DIR=$PULSE_DIR/runtime PULSE_RUNTIME_PATH=$PULSE_DIR/runtime PULSE_STATE_PATH=$PULSE_DIR/state \
        HOME=$PULSE_DIR pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --load="module-null-sink sink_name=capture rate=44100" \
        --load="module-native-protocol-unix socket=$PULSE_DIR/native auth-anonymous=1" >> "$WORK/pulse.log" 2>&1 &
    PULSE_PID=$!
}
start_server() {
    launch_server
    for _ in $(seq 1 100); do
        pactl info > /dev/null 2>&1 && return 0
        sleep 0.05
    done
    e2e_fail "the sound server did not start"
}
# Records the sink's monitor (44100 Hz float stereo) into a file until stopped.
start_recording() {  # file
    parec -d capture.monitor --format=float32le --rate=44100 --channels=2 --raw > "$1" 2> /dev/null &
    RECORD_PID=$!
}
stop_recording() { kill "$RECORD_PID" 2> /dev/null; wait "$RECORD_PID" 2> /dev/null; RECORD_PID=""; }
# Records `seconds` of the monitor (parec may take a while to start on a busy
# machine: the length counts from its first bytes).
record() {  # file seconds
    start_recording "$1"
    for _ in $(seq 1 200); do
        [ "$(stat -c %s "$1" 2> /dev/null || echo 0)" -ge "$(awk -v s="$2" 'BEGIN { print int(s * 352800) }')" ] && break
        sleep 0.05
    done
    stop_recording
}
# "RMS FREQUENCY" of a recording, from `skip` seconds in.
heard() {  # file [skip]
    sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -n trim "${2:-0}" remix 1 stat 2>&1 |
        awk '/RMS +amplitude/ {r = $3} /Rough +frequency/ {f = $3} END {print r, f}'
}
# Seconds of silence at the start of a recording (all of it when silent).
leading_silence() {  # file
    local total rest
    total=$(stat -c %s "$1")
    sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -t raw "$WORK/trimmed.raw" silence 1 0.01 1% 2> /dev/null
    rest=$(stat -c %s "$WORK/trimmed.raw" 2> /dev/null || echo 0)
    awk -v t="$total" -v r="$rest" 'BEGIN { printf "%.3f\n", (t - r) / 8 / 44100 }'
}

start_server

start_xvfb
# The program plays through the private server, not into a file.
export SDL_AUDIODRIVER=pulseaudio
unset SDL_DISKAUDIOFILE PULSE_PROP

# Each line the program prints carries the time it came.
stamp() { while IFS= read -r line; do printf '%s %s\n' "$(now)" "$line"; done; }
(cd "$DISK" && exec "$PROGRAM") > >(stamp > "$WORK/app.log") 2>&1 &
APP_PID=$!
for _ in $(seq 1 100); do
    pactl list sink-inputs 2> /dev/null | grep -q 'media.name = "Quorvatelle 3"' && break
    sleep 0.1
done
pactl list sink-inputs > "$WORK/sink-inputs.txt"
grep -q 'media.name = "Quorvatelle 3"' "$WORK/sink-inputs.txt" || e2e_fail "no stream named Quorvatelle 3: $(cat "$WORK/sink-inputs.txt")"
grep -q 'application.name = "Quorvatelle 3"' "$WORK/sink-inputs.txt" || e2e_fail "the application is not named Quorvatelle 3"
grep -q 'media.role = "music"' "$WORK/sink-inputs.txt" || e2e_fail "the stream has no role music"
e2e_say "the stream as the server lists it:"
grep -E 'Sink Input|media.name|media.role|application.name' "$WORK/sink-inputs.txt" | sed 's/^/    /'

record "$WORK/playing.raw" 1
level=$(heard "$WORK/playing.raw" 0.2)
awk -v h="$level" 'BEGIN { split(h, v, " "); exit !(v[1] > 0.05 && v[2] > 400 && v[2] < 480) }' ||
    e2e_fail "the monitor does not hear track A (RMS and Hz $level)"
e2e_say "the monitor hears track A (RMS and Hz $level)"

e2e_player stop; sleep 0.3
record "$WORK/stopped.raw" 1
level=$(heard "$WORK/stopped.raw")
awk -v h="$level" 'BEGIN { split(h, v, " "); exit !(v[1] < 0.0001) }' || e2e_fail "not silent after stop (RMS $level)"
e2e_say "silent after stop"
e2e_player play; sleep 2

# ---- The server dies while the track plays, and a new one comes up.
before=$(e2e_position)
killed_at=$(now)
kill -9 "$PULSE_PID"; wait "$PULSE_PID" 2> /dev/null; PULSE_PID=""
sleep 1
# Meanwhile the frame loop runs: the bus is served and what it sets is published.
e2e_player volume 0.9
[ "$(e2e_player volume)" = 0.900000 ] || e2e_fail "no frames while the server was gone (volume reads $(e2e_player volume))"
[ "$(e2e_player status)" = Playing ] || e2e_fail "the status changed while the server was gone: $(e2e_player status)"
e2e_say "frames kept coming without a server (a volume set over the bus was taken)"
launch_server
for _ in $(seq 1 200); do
    if [ -S "$PULSE_DIR/native" ]; then
        recording_from=$(now)
        start_recording "$WORK/back.raw"
        sleep 0.2
        kill -0 "$RECORD_PID" 2> /dev/null && break
        RECORD_PID=""
    fi
    sleep 0.02
done
[ -n "$RECORD_PID" ] || e2e_fail "the new sound server did not start"
sleep 6
stop_recording
after=$(e2e_position)
silence=$(leading_silence "$WORK/back.raw")
level=$(heard "$WORK/back.raw" "$silence")
# The program says when its output is back; the monitor hears it from then on.
back_at=$(awk '/the output is back/ {print $1; exit}' "$WORK/app.log")
[ -n "$back_at" ] || e2e_fail "the program did not reopen its output"
gap=$(awk -v k="$killed_at" -v b="$back_at" 'BEGIN { printf "%.2f\n", b - k }')
server_up=$(awk -v k="$killed_at" -v r="$recording_from" 'BEGIN { printf "%.2f\n", r - k }')
awk -v h="$level" 'BEGIN { split(h, v, " "); exit !(v[1] > 0.02 && v[2] > 400 && v[2] < 480) }' ||
    e2e_fail "the new server's monitor does not hear track A (RMS and Hz $level after $silence s)"
[ "$(e2e_player metadata title)" = "Tone A" ] || e2e_fail "the track changed: $(e2e_player metadata title)"
awk -v b="$before" -v a="$after" 'BEGIN { exit !(a > b) }' || e2e_fail "the track did not go on from where it was ($before, then $after)"
awk -v g="$gap" 'BEGIN { exit !(g <= 10) }' || e2e_fail "the music came back $gap s after the kill"
e2e_say "the music is back $gap s after the kill; the new server took clients $server_up s after it (track A, from $before s on; now at $after s)"
pactl list sink-inputs | grep -q 'media.role = "music"' || e2e_fail "the new stream has no role music"

e2e_mpris Quit || e2e_fail "Quit"
expect_exit 4
e2e_say "passed"
