#!/usr/bin/python3
"""Start-up of Lanternfall beside LÖVE 11.4's: the time from starting the program to its first
drawn frame, to its exit, and the peak resident memory, over several runs under one Xvfb server.

    bench/startup.py [BUILD_DIR] [RUNS]      (default build/, 15 runs)

Lanternfall quits after its first frame (--quit-after-frames=1); the engine logs "First frame
drawn" once that frame is presented, and the time is taken when the line arrives. LÖVE runs
bench/peer/love's start-up scene (a window, one image, one frame, sound on), which prints the
same line when its quit event is handled, after its frame is presented. The two programs run
interleaved; LÖVE is left out when it is not installed (bench/peer/run.py installs it).

Beside both runs bench/startup_floor.cpp (built with the benchmarks): a window, a GL context, one
effect, one image and one draw, presented, with nothing of an engine. It is what the machine's
window system and GL driver take before any game could do something of its own; the table shows
how far each figure of Lanternfall is above it.

Lanternfall's sound goes to SDL's silent dummy driver unless STARTUP_AUDIODRIVER names another,
or "default" for the driver SDL picks itself (what a player's machine does). Prints each figure's
median and range, the ratio Lanternfall / LÖVE, and whether the targets (first frame under
150 ms, peak under 100 MB) are met.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "bench", "peer"))
import run as peer  # noqa: E402  (the scenes' image writer and the Xvfb starter)

FIRST_FRAME_TARGET_MS = 150
PEAK_TARGET_MB = 100


def run_once(command, env):
    """Runs a program to its exit; returns (ms to the "First frame drawn" line, ms to exit, peak MB)."""
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "PEAK_KB %M"] + command, env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    first, peak, lines = None, None, []
    for line in process.stdout:
        if first is None and line.startswith("First frame drawn"):
            first = (time.perf_counter() - start) * 1000
        if line.startswith("PEAK_KB "):
            peak = int(line.split()[1]) / 1024
        lines.append(line)
    code = process.wait()
    elapsed = (time.perf_counter() - start) * 1000
    if code != 0 or first is None or peak is None:
        sys.exit(f"bench/startup.py: {' '.join(command)} failed (code {code}, "
                 f"first frame {'seen' if first else 'not seen'}):\n{''.join(lines)[-2000:]}")
    return first, elapsed, peak


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    engine = os.path.join(build, "src", "pelterra")
    floor = os.path.join(build, "bench", "startup_floor")
    config = os.path.join(build, "lanternfall", "config.lua")
    if not (os.access(engine, os.X_OK) and os.path.exists(config)):
        sys.exit("build the engine and the demo first (./run.sh or ./test.sh)")

    work = tempfile.mkdtemp(prefix="pelterra-startup-")
    server = None
    try:
        sides = {"Lanternfall": [engine, config, "--quit-after-frames=1"]}
        if shutil.which("love"):
            love_dir = os.path.join(work, "love")
            shutil.copytree(os.path.join(ROOT, "bench", "peer", "love"), love_dir)
            peer.draw_sprites(love_dir)
            sides["LÖVE 11.4"] = ["love", love_dir, "--scene=startup", "--audio"]
        if os.access(floor, os.X_OK):
            sides["floor"] = [floor]
        server, display = peer.start_xvfb()
        env = dict(os.environ, DISPLAY=display, XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_CACHE_HOME=os.path.join(work, "cache"), HOME=os.path.join(work, "home"))
        os.makedirs(env["HOME"])
        driver = os.environ.get("STARTUP_AUDIODRIVER", "dummy")
        env.pop("SDL_AUDIODRIVER", None)
        ours_env = dict(env, SDL_AUDIODRIVER=driver) if driver != "default" else env

        figures = {side: ([], [], []) for side in sides}
        for i in range(runs + 1):
            for side, command in sides.items():
                measured = run_once(command, ours_env if side == "Lanternfall" else env)
                if i == 0:
                    continue  # the first run of each fills the file cache, the driver's shader cache
                    # and the programs the engine keeps: the figures are of a start-up after the first
                for values, value in zip(figures[side], measured):
                    values.append(value)
    finally:
        if server:
            server.terminate()
        shutil.rmtree(work, ignore_errors=True)

    def cell(values, unit):
        return f"{statistics.median(values):.1f} {unit} ({min(values):.1f}–{max(values):.1f})"

    names = list(sides)
    peer_name = "LÖVE 11.4" if "LÖVE 11.4" in sides else None
    extra = ([f"ratio to {peer_name}"] if peer_name else []) + (["above the floor"] if "floor" in sides else [])
    print(f"{runs} runs each, interleaved; median (min–max)")
    print("| figure | " + " | ".join(names + extra) + " |")
    print("|---" * (len(names) + len(extra) + 1) + "|")
    for index, (label, unit) in enumerate((("start-up to the first drawn frame", "ms"),
                                           ("start-up, one frame and exit", "ms"),
                                           ("peak resident memory", "MB"))):
        ours = statistics.median(figures["Lanternfall"][index])
        row = f"| {label} | " + " | ".join(cell(figures[n][index], unit) for n in names)
        if peer_name:
            row += f" | {ours / statistics.median(figures[peer_name][index]):.2f}"
        if "floor" in sides:
            row += f" | {ours - statistics.median(figures['floor'][index]):+.1f} {unit}"
        print(row + " |")
    first = statistics.median(figures["Lanternfall"][0])
    peak = statistics.median(figures["Lanternfall"][2])
    floor_note = ["", ""]
    if "floor" in sides:
        floor_note = [f", the floor {statistics.median(figures['floor'][0]):.0f} ms",
                      f", the floor {statistics.median(figures['floor'][2]):.1f} MB"]
    print(f"first frame under {FIRST_FRAME_TARGET_MS} ms: {'yes' if first < FIRST_FRAME_TARGET_MS else 'NO'} "
          f"({first:.0f} ms{floor_note[0]}); peak under {PEAK_TARGET_MB} MB: "
          f"{'yes' if peak < PEAK_TARGET_MB else 'NO'} ({peak:.1f} MB{floor_note[1]})")


if __name__ == "__main__":
    main()
