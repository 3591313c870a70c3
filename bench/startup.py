#!/usr/bin/python3
"""Start-up of the demo: the time from starting the engine to its first drawn frame and exit,
and the peak resident memory, over several runs under one Xvfb server.

    bench/startup.py [BUILD_DIR] [RUNS]      (default build/, 15 runs)

The game quits after its first frame (--quit-after-frames=1), so each run measures start-up,
one frame and shutdown. Prints the median and the range of each figure. The sound goes to
SDL's silent dummy driver unless STARTUP_AUDIODRIVER names another, or "default" for the
driver SDL picks itself (what a player's machine does).
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
engine = os.path.join(build, "src", "pelterra")
config = os.path.join(build, "lanternfall", "config.lua")
if not (os.access(engine, os.X_OK) and os.path.exists(config)):
    sys.exit("build the engine and the demo first (./run.sh or ./test.sh)")

xvfb = subprocess.Popen(["Xvfb", ":96", "-screen", "0", "1280x1024x24"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1)
try:
    with tempfile.TemporaryDirectory() as appdata:
        env = dict(os.environ, DISPLAY=":96", XDG_DATA_HOME=appdata)
        driver = os.environ.get("STARTUP_AUDIODRIVER", "dummy")
        env.pop("SDL_AUDIODRIVER", None)
        if driver != "default":
            env["SDL_AUDIODRIVER"] = driver
        seconds, peaks = [], []
        for i in range(runs + 1):
            start = time.perf_counter()
            done = subprocess.run(["/usr/bin/time", "-f", "%M", engine, config, "--quit-after-frames=1"],
                                  env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            elapsed = time.perf_counter() - start
            if done.returncode != 0:
                sys.exit("the engine failed:\n" + done.stderr[-2000:])
            if i == 0:
                continue  # the first run fills the file cache
            seconds.append(elapsed * 1000)
            peaks.append(int(done.stderr.strip().splitlines()[-1]) / 1024)
finally:
    xvfb.terminate()

print(f"start-up to the first frame and exit: median {statistics.median(seconds):.0f} ms "
      f"(min {min(seconds):.0f}, max {max(seconds):.0f}) over {runs} runs")
print(f"peak resident memory: median {statistics.median(peaks):.1f} MB "
      f"(min {min(peaks):.1f}, max {max(peaks):.1f})")
