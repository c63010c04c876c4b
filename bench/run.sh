#!/usr/bin/env bash
# Builds the benchmarks and prints one table of the performance figures of the
# running program: start-up, per-frame cost, frame pacing, CPU while playing and
# while minimised, memory, a disk of a hundred tracks, and what the software OpenGL
# driver's cost depends on, the sprite batch's cost per quad and the audio engine's
# per second of audio.
#
#   bench/run.sh [BUILD_DIR]      (default: build; run ./build.sh's set-up first)
#
# Needs Xvfb (started here on a free display unless BENCH_DISPLAY names one),
# openmpt123 (the peer for the audio cost), and openbox, xdotool and xprop (a real
# window manager, started here for the minimised figure only). Takes about nine minutes. Pictures of
# the effect variants go to BUILD_DIR/bench-pictures. The machine should be quiet:
# the load average is printed before and after.
# BENCH_SEED (default 1) places the player screen's bubbles, the same for ours and
# its same-picture floor.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$(realpath -m "${1:-build}")

for tool in Xvfb openmpt123 openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "bench/run.sh: $tool is missing" >&2; exit 1; }
done

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target musicdisk bench_floor_window bench_startup bench_frames \
  bench_playing bench_effect_states bench_hundred_tracks bench_sprite_batch bench_audio_mixer \
  bench_player_cost bench_player_floor >/dev/null

WORK=$(mktemp -d /tmp/musicdisk-bench.XXXXXX)
XVFB_PID=""
WM_PID=""
cleanup() {
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

if [ -n "${BENCH_DISPLAY:-}" ]; then
  export DISPLAY=$BENCH_DISPLAY
else
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || { echo "bench/run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(cat "$WORK/display")"
fi
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe

# A disk of ten modules: the bundled content with the bundled modules repeated.
TEN=$WORK/ten
mkdir -p "$TEN/data/music"
cp data/gui.fx data/font.png data/velta.png "$TEN/data/"
mapfile -t MODULES < <(ls data/music/*.mod data/music/*.xm data/music/*.it data/music/*.s3m 2>/dev/null || true)
[ ${#MODULES[@]} -gt 0 ] || { echo "bench/run.sh: no modules in data/music" >&2; exit 1; }
{
  echo 10
  for i in $(seq 1 10); do
    source=${MODULES[$(((i - 1) % ${#MODULES[@]}))]}
    file=$(printf 'track%02d.%s' "$i" "${source##*.}")
    cp "$source" "$TEN/data/music/$file"
    printf 'mod\n%s\nTrack %d\n' "$file" "$i"
  done
  echo "Ten modules."
} >"$TEN/data/disk.cfg"

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
ROWS=$WORK/rows
B=$BUILD/bench
"$B/bench_startup" "$B/bench_floor_window" "bundled disk=$ROOT" "ten-module disk=$TEN" --runs 10 2>/dev/null >>"$ROWS"
# The same with Mesa's shader cache warm, as every start after a machine's first.
"$B/bench_startup" "$B/bench_floor_window" "bundled disk=$ROOT" --runs 10 --warm-shader-cache 2>/dev/null |
  grep -E "first frame|steps" >>"$ROWS"
SDL_AUDIODRIVER=dummy "$B/bench_frames" "$ROOT" 1000 2>/dev/null >>"$ROWS"
# Ours and the same-picture floor in turn, on one bubble layout (BENCH_SEED).
"$B/bench_player_cost" "$B/bench_player_floor" "$ROOT" "${BENCH_SEED:-1}" 20 3 2>/dev/null >>"$ROWS"
"$B/bench_playing" "$BUILD/musicdisk" "$B/bench_floor_window" "$ROOT" "$TEN" 30 2>/dev/null >>"$ROWS"
SDL_AUDIODRIVER=dummy "$B/bench_effect_states" "$ROOT" "$BUILD/bench-pictures" 2>/dev/null >>"$ROWS"
SDL_AUDIODRIVER=dummy "$B/bench_hundred_tracks" "$ROOT" 2>/dev/null >>"$ROWS"
"$B/bench_sprite_batch" --rows 2>/dev/null >>"$ROWS"
"$B/bench_audio_mixer" --rows 2>/dev/null >>"$ROWS"
# Minimising needs a window manager; it runs for this figure only.
openbox --sm-disable >/dev/null 2>&1 &
WM_PID=$!
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
"$B/bench_playing" --minimised "$BUILD/musicdisk" "$ROOT" 20 2>/dev/null >>"$ROWS" || true
kill "$WM_PID" 2>/dev/null || true
WM_PID=""
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)

echo "musicdisk performance, $(date '+%Y-%m-%d %H:%M'), $(nproc) cores, Xvfb with Mesa llvmpipe"
echo "load average before: $LOAD_BEFORE, after: $LOAD_AFTER"
echo
echo "| figure | value | goal | verdict |"
echo "|---|---|---|---|"
cat "$ROWS"
