#!/usr/bin/env bash
# Runs the demo's attract mode under Xvfb for a while and reports what a long session does
# to it: resident memory over time (the last minute against the second), the frame times the
# game logs, and every error line. The frame cap is off for the run, so the frame times are
# what a frame costs (with the cap on they are the cap's 1 ms sleeps rounding 1/60 s up).
#
#   scripts/soak-demo.sh [MINUTES] [BUILD_DIR]     (default 10 minutes, build/)
#
# Prints a summary; exits 1 when memory grew by more than 5 %, the median frame took longer
# than 16.7 ms, or an error line appeared.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
minutes=${1:-10}
build=${2:-build}
[ -x "$build/src/pelterra" ] && [ -f "$build/lanternfall/config.lua" ] || { echo "build the engine and the demo first (./run.sh or ./test.sh)" >&2; exit 2; }

work=$(mktemp -d /tmp/pelterra-soak-XXXXXX)
game=""
trap 'kill "$game" "$xvfb" 2>/dev/null || true; rm -rf "$work" "$build/lanternfall/.soak-config.lua"' EXIT
Xvfb :97 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
# The same configuration without the frame cap, beside it so that its data path holds.
config="$build/lanternfall/.soak-config.lua"
{ cat "$build/lanternfall/config.lua"; echo "framerate = 0"; } > "$config"
DISPLAY=:97 XDG_DATA_HOME="$work/appdata" XDG_CACHE_HOME="$work/cache" SDL_AUDIODRIVER=dummy \
    "$build/src/pelterra" "$config" --attract --frame-log 2>"$work/log.txt" &
game=$!

samples="$work/rss.txt"
end=$((SECONDS + minutes * 60))
while [ $SECONDS -lt $end ] && kill -0 "$game" 2>/dev/null; do
    echo "$SECONDS $(awk '/VmRSS/ {print $2}' /proc/$game/status)" >> "$samples"
    sleep 10
done
kill -0 "$game" 2>/dev/null || { echo "the game ended early:" >&2; tail -20 "$work/log.txt" >&2; exit 1; }
kill "$game"; wait "$game" || true

/usr/bin/python3 - "$samples" "$work/log.txt" "$minutes" <<'PY'
import re, statistics, sys
samples = [tuple(map(int, l.split())) for l in open(sys.argv[1]) if len(l.split()) == 2]
log = open(sys.argv[2], errors="replace").read().splitlines()
minutes = int(sys.argv[3])
second = [kb for t, kb in samples if 60 <= t < 120]
last = [kb for t, kb in samples if t >= (minutes - 1) * 60]
medians = [float(m.group(1)) for m in (re.search(r"frames: median ([0-9.]+) ms", l) for l in log) if m]
errors = [l for l in log if re.search(r"Error while|attempt to|stack traceback|Unable to|not loaded", l)]
levels = sum(1 for l in log if l.startswith("attract level"))
growth = statistics.mean(last) / statistics.mean(second) - 1 if second and last else float("nan")
median = statistics.median(medians) if medians else float("nan")
print(f"soak: {minutes} min of attract mode, {levels} levels played, {len(samples)} memory samples")
print(f"resident memory: second minute {statistics.mean(second)/1024:.1f} MB, last minute {statistics.mean(last)/1024:.1f} MB ({growth*100:+.1f} %)")
print(f"frame time without the cap: median of the 10 s medians {median:.2f} ms (worst 10 s median {max(medians) if medians else float('nan'):.2f} ms)")
print(f"error lines: {len(errors)}")
for e in errors[:10]:
    print("  " + e)
sys.exit(0 if growth <= 0.05 and median < 16.7 and not errors else 1)
PY
