#!/usr/bin/env bash
# The program against PipeWire killed and restarted: Debian's pipewire, wireplumber
# and pipewire-pulse, started by this script in runtime, config and state folders
# of their own, with a null sink whose monitor the test records, under Xvfb and on
# a private session bus. The disk is compose's three steady tones (A 440 Hz,
# B 660 Hz, C 990 Hz), long enough that one track outlasts two restarts.
#
# Once through each of SDL's drivers that reach PipeWire, its own (pipewire) and
# PulseAudio's (through pipewire-pulse):
#   - the monitor hears track A;
#   - the three servers are killed while the track plays and started again: the
#     program says the output is back, the monitor hears track A again, from a
#     later point of the same track, within 10 s of the kill (how long until the
#     loss was noticed and until the music was back are printed);
#   - they are killed again and the track paused while they are away: after they
#     are back the monitor hears nothing of it (not even a click: the peak stays
#     under 0.001), and a play goes on with track A.
#
# Usage: pipewire_restart.sh [build folder]   (default: build)
# Exit 0 on success, 1 with a message on failure, 77 when a tool is missing.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
E2E_NAME=pipewire_restart
# shellcheck source=tests/e2e/lib.bash
. "$ROOT/tests/e2e/lib.bash"
e2e_build "${1:-}"
e2e_require Xvfb pipewire pw-cli wireplumber pipewire-pulse pactl parec sox playerctl dbus-run-session dbus-send
e2e_require_built "$PROGRAM" "$COMPOSE"
e2e_private_bus "$BUILD"

SERVER_PIDS="" RECORD_PID=""
e2e_cleanup() { for pid in $RECORD_PID $SERVER_PIDS; do kill "$pid" 2> /dev/null; done; }
e2e_more_logs() { [ -f "$WORK/servers.log" ] && { echo "--- sound server output:"; tail -n 40 "$WORK/servers.log"; }; }
e2e_begin

now() { date +%s.%N; }

e2e_tone_disk 60

# Private folders for the servers and every client (the program, pactl, parec):
# the sockets live in the runtime folder, the null sink comes from the config.
PW=$WORK/pipewire
mkdir -p "$PW/runtime" "$PW/config/pipewire/pipewire.conf.d" "$PW/state"
chmod 700 "$PW/runtime"
cat > "$PW/config/pipewire/pipewire.conf.d/capture.conf" << 'EOF'
context.objects = [
    { factory = adapter
        args = {
            factory.name     = support.null-audio-sink
            node.name        = capture
            media.class      = Audio/Sink
            audio.position   = [ FL FR ]
            object.linger    = true
        }
    }
]
EOF
# The session manager leaves the machine's own devices alone: the null sink is
# the only one.
mkdir -p "$PW/config/wireplumber/main.lua.d" "$PW/config/wireplumber/bluetooth.lua.d"
printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
    > "$PW/config/wireplumber/main.lua.d/51-no-devices.lua"
printf 'bluez_monitor.enabled = false\n' > "$PW/config/wireplumber/bluetooth.lua.d/51-no-devices.lua"
printf 'autospawn = no\n' > "$PW/client.conf"
export XDG_RUNTIME_DIR=$PW/runtime XDG_CONFIG_HOME=$PW/config XDG_STATE_HOME=$PW/state HOME=$PW
export PULSE_CLIENTCONFIG=$PW/client.conf
unset PULSE_SERVER PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR

start_servers() {
    pipewire >> "$WORK/servers.log" 2>&1 &
    SERVER_PIDS=$!
    for _ in $(seq 1 100); do
        timeout 1 pw-cli info 0 > /dev/null 2>&1 && break
        sleep 0.05
    done
    for server in wireplumber pipewire-pulse; do
        "$server" >> "$WORK/servers.log" 2>&1 &
        SERVER_PIDS="$SERVER_PIDS $!"
    done
    # Ready once the session manager has made the null sink the default.
    for _ in $(seq 1 200); do
        pactl info 2> /dev/null | grep -q '^Default Sink: capture$' && return 0
        sleep 0.05
    done
    e2e_fail "the sound servers did not start"
}
# Kills all three at once, as a crash of the session would (one may have ended already).
kill_servers() {
    # shellcheck disable=SC2086
    kill -9 $SERVER_PIDS 2> /dev/null
    # shellcheck disable=SC2086
    wait $SERVER_PIDS 2> /dev/null
    SERVER_PIDS=""
}
# Records the sink's monitor (44100 Hz float stereo) into a file for `seconds`.
record() {  # file seconds
    parec -d capture.monitor --format=float32le --rate=44100 --channels=2 --raw --latency-msec=20 > "$1" 2> /dev/null &
    RECORD_PID=$!
    sleep "$2"
    kill "$RECORD_PID" 2> /dev/null
    wait "$RECORD_PID" 2> /dev/null
    RECORD_PID=""
}
# "RMS RMS440 PEAK" of a recording from `skip` seconds in: RMS440 is the RMS
# through a narrow band-pass around track A's 440 Hz (track B's 660 Hz comes
# through at a twentieth), which glitches of a loaded machine barely move.
heard() {  # file [skip]
    local level band
    level=$(sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -n trim "${2:-0}" remix 1 stat 2>&1 |
        awk '/RMS +amplitude/ {r = $3} /Maximum amplitude/ {p = $3} /Minimum amplitude/ {m = -$3}
             END {print r, (p > m ? p : m)}')
    band=$(sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -n trim "${2:-0}" remix 1 bandpass 440 20h stat 2>&1 |
        awk '/RMS +amplitude/ {print $3}')
    echo "${level% *} $band ${level#* }"
}
hears_track_a() {  # "RMS RMS440 PEAK"
    awk -v h="$1" 'BEGIN { split(h, v, " "); exit !(v[1] > 0.02 && v[2] > 0.7 * v[1]) }'
}
# Seconds of silence at the start of a recording.
leading_silence() {  # file
    local total rest
    total=$(stat -c %s "$1")
    sox -t raw -r 44100 -e float -b 32 -c 2 "$1" -t raw "$WORK/trimmed.raw" silence 1 0.01 1% 2> /dev/null
    rest=$(stat -c %s "$WORK/trimmed.raw" 2> /dev/null || echo 0)
    awk -v t="$total" -v r="$rest" 'BEGIN { printf "%.3f\n", (t - r) / 8 / 44100 }'
}
# The time of the program's first line matching a pattern after a given time.
line_after() {  # time pattern
    awk -v t="$1" -v p="$2" '$1 > t && index($0, p) {print $1; exit}' "$WORK/app.log"
}
stamp() { while IFS= read -r line; do printf '%s %s\n' "$(now)" "$line"; done; }

start_xvfb
unset SDL_DISKAUDIOFILE PULSE_PROP
start_servers

run_with_driver() {  # SDL audio driver
    local driver=$1 level before after killed_at back_at gap noticed silence recorded_until
    e2e_say "-- SDL_AUDIODRIVER=$driver"
    (cd "$DISK" && SDL_AUDIODRIVER=$driver exec "$PROGRAM") > >(stamp >> "$WORK/app.log") 2>&1 &
    APP_PID=$!
    for _ in $(seq 1 100); do
        [ "$(e2e_player status)" = Playing ] && break
        sleep 0.1
    done
    sleep 0.5
    record "$WORK/playing.raw" 1
    level=$(heard "$WORK/playing.raw" 0.2)
    hears_track_a "$level" || e2e_fail "$driver: the monitor does not hear track A (RMS, RMS at 440 Hz and peak $level)"
    e2e_say "the monitor hears track A (RMS, RMS at 440 Hz and peak $level)"

    # The servers die while the track plays, and come up again.
    before=$(e2e_position)
    killed_at=$(now)
    kill_servers
    sleep 1
    start_servers
    record "$WORK/back.raw" 6
    after=$(e2e_position)
    back_at=$(line_after "$killed_at" "the output is back")
    [ -n "$back_at" ] || e2e_fail "$driver: the program did not say its output is back"
    silence=$(leading_silence "$WORK/back.raw")
    level=$(heard "$WORK/back.raw" "$silence")
    hears_track_a "$level" || e2e_fail "$driver: track A is not heard after the restart (RMS, RMS at 440 Hz and peak $level)"
    [ "$(e2e_player metadata title)" = "Tone A" ] || e2e_fail "$driver: the track changed: $(e2e_player metadata title)"
    awk -v b="$before" -v a="$after" 'BEGIN { exit !(a > b) }' ||
        e2e_fail "$driver: the track did not go on from where it was ($before, then $after)"
    gap=$(awk -v k="$killed_at" -v b="$back_at" 'BEGIN { printf "%.2f\n", b - k }')
    awk -v g="$gap" 'BEGIN { exit !(g <= 10) }' || e2e_fail "$driver: the music came back $gap s after the kill"
    noticed=$(awk -v k="$killed_at" -v l="$(line_after "$killed_at" "reopening it")" 'BEGIN { printf "%.2f\n", l - k }')
    e2e_say "the loss was noticed $noticed s after the kill and the music is back $gap s after it" \
        "(the servers were down 1 s; track A from $before s on, now at $after s)"

    # Paused while the servers are away: nothing of the track after they return.
    # The recording starts as soon as the servers take clients, so it hears the
    # program's first samples on the new server.
    killed_at=$(now)
    kill_servers
    sleep 1
    e2e_player pause
    start_servers
    record "$WORK/paused.raw" 3
    recorded_until=$(now)
    back_at=$(line_after "$killed_at" "the output is back")
    [ -n "$back_at" ] || e2e_fail "$driver: the program did not say its output is back after the second restart"
    awk -v b="$back_at" -v e="$recorded_until" 'BEGIN { exit !(b < e - 0.5) }' ||
        e2e_fail "$driver: the output came back too late for the recording ($back_at, recorded until $recorded_until)"
    [ "$(stat -c %s "$WORK/paused.raw")" -gt $((2 * 352800)) ] || e2e_fail "$driver: under 2 s recorded after the return"
    level=$(heard "$WORK/paused.raw")
    awk -v h="$level" 'BEGIN { split(h, v, " "); exit !(v[3] < 0.001) }' ||
        e2e_fail "$driver: the track paused while the servers were away sounds when they return (RMS, RMS at 440 Hz and peak $level)"
    [ "$(e2e_player status)" = Paused ] || e2e_fail "$driver: the status is $(e2e_player status), not Paused"
    e2e_say "paused while the servers were away: silent when they return (peak ${level##* })"
    e2e_player play
    sleep 0.5
    record "$WORK/resumed.raw" 1
    level=$(heard "$WORK/resumed.raw" 0.2)
    hears_track_a "$level" || e2e_fail "$driver: a play after the return does not sound (RMS, RMS at 440 Hz and peak $level)"
    e2e_say "a play goes on with track A (RMS, RMS at 440 Hz and peak $level)"

    timeout 5 dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.musicdisk /org/mpris/MediaPlayer2 \
        org.mpris.MediaPlayer2.Quit > /dev/null || e2e_fail "$driver: Quit"
    expect_exit 4
}

run_with_driver pipewire
run_with_driver pulseaudio
e2e_say "passed"
