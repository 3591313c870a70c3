#!/usr/bin/env bash
# Pictures of the demo for the README, taken from the running game under Xvfb:
# docs/screenshots/title.png, play.png (a shot in flight) and end.png (a level won).
#
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
[ -x "$build/src/pelterra" ] && [ -f "$build/lanternfall/config.lua" ] || { echo "build the engine and the demo first" >&2; exit 2; }
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d /tmp/pelterra-shots-XXXXXX)
Xvfb :95 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1

# shoot NAME LINE DELAY OPTIONS...: starts the game, waits for a log line, waits DELAY
# seconds more, and saves the window.
shoot() {
    local name=$1 line=$2 delay=$3
    shift 3
    DISPLAY=:95 XDG_DATA_HOME="$work/appdata" SDL_AUDIODRIVER=dummy \
        "$build/src/pelterra" "$build/lanternfall/config.lua" "$@" 2>"$work/log.txt" &
    local game=$!
    for _ in $(seq 600); do
        grep -q "^$line" "$work/log.txt" && break
        sleep 0.1
    done
    grep -q "^$line" "$work/log.txt" || { echo "no \"$line\" from the game:" >&2; tail "$work/log.txt" >&2; kill $game; exit 1; }
    sleep "$delay"
    DISPLAY=:95 /usr/bin/python3 -c "
from PIL import ImageGrab
ImageGrab.grab(xdisplay=':95').crop((0, 0, 1024, 768)).save('$out/$name.png', optimize=True)"
    kill $game
    wait $game || true
    echo "$out/$name.png"
}

shoot title "screen title" 1.5
shoot play "shot 1 of" 0.9 --level=3 --autoplay
shoot end "screen end" 1.0 --level=1 --autoplay
