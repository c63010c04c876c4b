#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots/: the five screens of the bundled disk,
# as the real program shows them under Xvfb, driven with xdotool.
#
# Usage: docs/screenshots.sh [build folder]   (default: build)
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
OUT=$ROOT/docs/screenshots
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2> /dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2> /dev/null
    wait 2> /dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$WORK/display" 2> /dev/null &
XVFB_PID=$!
for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$WORK/display")"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy

(cd "$ROOT" && exec "$BUILD/musicdisk") > /dev/null 2>&1 &
APP_PID=$!
for _ in $(seq 1 100); do
    xwininfo -root -tree 2> /dev/null | grep -q '"Quorvatelle 3"' && break
    sleep 0.1
done

key() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
# The window's 820 x 320 at (10, 100), one-pixel border included.
shot() { import -window root -crop 820x320+10+100 +repage "$OUT/$1.png"; }

mkdir -p "$OUT"
sleep 1.8; shot logo
key Escape; sleep 2; shot intro
key Escape; sleep 2.5; shot main
key a; sleep 4; shot about
key i; sleep 2; shot info
key Escape
wait "$APP_PID" || true
APP_PID=""
echo "screenshots written to $OUT"
