#!/usr/bin/python3
"""What developer mode costs a frame while no file is saved (its file watcher waits, the
statistics are kept, the console and the replay are looked at): developer mode off against
on, measured two ways.

    bench/devmode.py [BUILD_DIR] [ROUNDS] [FRAMES]     (default build/, 5 rounds, 1500 frames)

1. bench_game's AppFrame: the application's whole frame of 200 boxes settling, without a
   window, its wall time (the frame alone) and the process's CPU time; ROUNDS x 4
   repetitions of each case, interleaved at random.
2. The engine on the demo in attract mode with the frame cap off (framerate 0 in a copy of
   its configuration), alternately without and with --dev (which goes first alternates
   too), ROUNDS rounds. A run of FRAMES frames (--quit-after-frames) less a run of one frame
   leaves the cost of FRAMES - 1 frames without the start-up: the process's CPU time (its
   rendering threads included) and the wall time. On a shared machine the wall time of a
   whole run mostly measures the other processes: it is printed without a verdict.

Prints each side's median and spread and the ratio of the medians on/off with its 95 %
interval, resampled from the samples (bootstrap): the difference is within noise when the
interval holds 1.
"""
import json
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
frames = int(sys.argv[3]) if len(sys.argv) > 3 else 1500
bench = os.path.join(build, "bench", "bench_game")
engine = os.path.join(build, "src", "pelterra")
demo = os.path.join(build, "lanternfall", "config.lua")
for path in (bench, engine, demo):
    if not os.path.exists(path):
        sys.exit(f"{path} is missing: build bench_game, pelterra and the demo first")


def spread(samples):
    """Half the interquartile range over the median: how far one sample strays."""
    if len(samples) < 2:
        return float("nan")
    q = statistics.quantiles(samples, n=4)
    return (q[2] - q[0]) / 2 / statistics.median(samples)


def interval(off, on, draws=4000):
    """The 95 % interval of the ratio of the medians, from resampling both sides."""
    rng = random.Random(1)
    ratios = sorted(statistics.median(rng.choices(on, k=len(on))) / statistics.median(rng.choices(off, k=len(off)))
                    for _ in range(draws))
    return ratios[int(draws * 0.025)], ratios[int(draws * 0.975)]


def report(title, unit, off, on, verdict=True):
    m_off, m_on = statistics.median(off), statistics.median(on)
    ratio = m_on / m_off
    print(title)
    for name, samples in (("off", off), ("on ", on)):
        print(f"  developer mode {name}: median {statistics.median(samples):.3f} {unit} "
              f"(min {min(samples):.3f}, max {max(samples):.3f}, ±{spread(samples) * 100:.1f} %, {len(samples)} samples)")
    line = f"  ratio on/off {ratio:.3f} ({(ratio - 1) * 100:+.1f} %)"
    if verdict:
        low, high = interval(off, on)
        line += f", 95 % interval {low:.3f} to {high:.3f}: {'within' if low <= 1 <= high else 'beyond'} noise"
    print(line)


# 1. The frame without a window.
done = subprocess.run([bench, "--benchmark_filter=^AppFrame/", f"--benchmark_repetitions={rounds * 4}",
                       "--benchmark_enable_random_interleaving=true", "--benchmark_format=json"],
                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
if done.returncode != 0:
    sys.exit("bench_game failed")
runs = [b for b in json.loads(done.stdout)["benchmarks"] if b.get("run_type") == "iteration"]
if any(b.get("error_occurred") for b in runs):
    sys.exit("bench_game: " + next(b["error_message"] for b in runs if b.get("error_occurred")))
cases = ("AppFrame/developer:0/process_time/manual_time", "AppFrame/developer:1/process_time/manual_time")
for kind, what, unit in (("real_time", "wall time", "us"), ("cpu_time", "CPU time", "us CPU")):
    samples = [[b[kind] for b in runs if b["run_name"] == case] for case in cases]
    if not all(samples):
        sys.exit("bench_game has no AppFrame cases: " + ", ".join(sorted({b["run_name"] for b in runs})))
    report(f"AppFrame, one frame of 200 boxes without a window, {what} ({rounds * 4} interleaved repetitions):",
           unit, samples[0], samples[1])

# 2. The engine on the demo, uncapped.
# An X server of its own, on a display nobody holds.
number = next(n for n in range(90, 200)
              if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(f"/tmp/.X11-unix/X{n}"))
display = f":{number}"
xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24"],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
for _ in range(100):
    if os.path.exists(f"/tmp/.X11-unix/X{number}"):
        break
    time.sleep(0.1)
config = os.path.join(build, "lanternfall", ".devmode-config.lua")
cpu = {False: [], True: []}
wall = {False: [], True: []}
try:
    # Beside the demo's own, so that its data path holds.
    with open(demo) as original, open(config, "w") as uncapped:
        uncapped.write(original.read() + "\nframerate = 0\n")
    with tempfile.TemporaryDirectory() as appdata:
        env = dict(os.environ, DISPLAY=display, XDG_DATA_HOME=appdata, SDL_AUDIODRIVER="dummy")

        def run(developer, count):
            """The CPU seconds and wall seconds of a run of count frames."""
            log = os.path.join(appdata, "log.txt")
            with open(log, "w") as err:
                start = time.perf_counter()
                game = subprocess.Popen([engine, config, "--attract", f"--quit-after-frames={count}"] +
                                        (["--dev"] if developer else []),
                                        env=env, stdout=subprocess.DEVNULL, stderr=err)
                _, status, usage = os.wait4(game.pid, 0)
                game.returncode = os.waitstatus_to_exitcode(status)
                elapsed = time.perf_counter() - start
            text = open(log, errors="replace").read()
            if game.returncode != 0 or ("Developer mode" in text) != developer:
                sys.exit(f"the engine's run (developer mode {developer}) went wrong:\n" + text[-2000:])
            return usage.ru_utime + usage.ru_stime, elapsed

        for r in range(rounds):
            for developer in ((False, True) if r % 2 == 0 else (True, False)):
                cpu_one, wall_one = run(developer, 1)
                cpu_all, wall_all = run(developer, frames)
                cpu[developer].append((cpu_all - cpu_one) / (frames - 1) * 1000)
                wall[developer].append((wall_all - wall_one) / (frames - 1) * 1000)
finally:
    xvfb.terminate()
    if os.path.exists(config):
        os.remove(config)
report(f"The engine on the demo's attract mode, uncapped, CPU time a frame ({rounds} rounds of {frames} frames):",
       "ms CPU", cpu[False], cpu[True])
report(f"The same runs, wall time a frame:", "ms wall", wall[False], wall[True], False)
