#!/usr/bin/python3
"""Pelterra beside LÖVE 11.4 on the same scenes, on this machine.

    bench/peer/run.py [--runs N] [--quick] [--no-write]

Sets up and builds Pelterra (scripts/setup.sh, then the engine and pelterra-build in build/),
installs LÖVE with apt when it is missing (never kept in the repository), builds the scenes
of bench/peer/pelterra/ and bench/peer/love/, and runs every case on one Xvfb server, the two
engines interleaved A B A B, N runs each (default 5). Prints a table with each side's median
and range and the ratio Pelterra / LÖVE (below 1: Pelterra is faster); its last line is the
worst ratio. The table and the machine it ran on go to bench/RESULTS.md unless --no-write; the
file's section headed "Where a target is not met" is kept as it is.
--quick runs each case twice with the largest sprite count left out: a check that the
scenes work, not a measurement.
"""
import argparse
import os
import platform
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
HERE = os.path.join(ROOT, "bench", "peer")
BUILD = os.path.join(ROOT, "build")
ENGINE = os.path.join(BUILD, "src", "pelterra")
BUILDER = os.path.join(BUILD, "tools", "pelterra-build")
RUN_TIMEOUT = 180
NOTES_HEADING = "## Where a target is not met"


def fail(message):
    sys.exit(f"bench/peer/run.py: {message}")


def png(path, width, height, pixel):
    """Writes an RGBA PNG whose pixels pixel(x, y) gives, with the standard library only."""
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows)))
        out.write(chunk(b"IEND", b""))


def draw_sprites(folder):
    os.makedirs(folder, exist_ok=True)

    def disc(x, y):
        # A soft-edged disc with a notch, so a rotation shows; transparent corners.
        dx, dy = x - 15.5, y - 15.5
        inside = dx * dx + dy * dy <= 15 * 15 and not (x > 22 and abs(dy) < 3)
        return (230, 160 + x * 2, 60 + y * 4, 255) if inside else (0, 0, 0, 0)

    png(os.path.join(folder, "sprite32.png"), 32, 32, disc)
    png(os.path.join(folder, "sprite1.png"), 1, 1, lambda x, y: (255, 255, 255, 255))


def set_up():
    subprocess.run(["./scripts/setup.sh"], cwd=ROOT, check=True)
    subprocess.run(["bash", "-c", ". scripts/build.sh && build_target build pelterra && "
                    "build_target build pelterra-build"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    if not shutil.which("love"):
        print("installing LÖVE (apt-get install love) ...", flush=True)
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        if subprocess.run(sudo + ["apt-get", "install", "-y", "-q", "love"], env=env,
                          stdout=subprocess.DEVNULL).returncode != 0:
            subprocess.run(sudo + ["apt-get", "update", "-q"], env=env, stdout=subprocess.DEVNULL)
            subprocess.run(sudo + ["apt-get", "install", "-y", "-q", "love"], env=env,
                           stdout=subprocess.DEVNULL, check=True)
    version = subprocess.run(["love", "--version"], capture_output=True, text=True).stdout.strip()
    if "11.4" not in version:
        print(f"warning: the installed LÖVE is {version!r}, not 11.4", file=sys.stderr)
    return version


def build_scenes(work):
    ours = os.path.join(work, "pelterra-src")
    shutil.copytree(os.path.join(HERE, "pelterra"), ours)
    draw_sprites(os.path.join(ours, "art"))
    out = os.path.join(work, "pelterra")
    subprocess.run([BUILDER, ours, out, "--quiet"], check=True)
    theirs = os.path.join(work, "love")
    shutil.copytree(os.path.join(HERE, "love"), theirs)
    draw_sprites(theirs)
    return os.path.join(out, "config.lua"), theirs


def start_xvfb():
    for display in range(90, 120):
        if os.path.exists(f"/tmp/.X{display}-lock"):
            continue
        server = subprocess.Popen(["Xvfb", f":{display}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        if server.poll() is None:
            return server, f":{display}"
    fail("no free X display for Xvfb")


def run_once(command, env):
    """Runs one scene; returns its RESULT values, the wall time in ms and the peak RSS in MB."""
    start = time.perf_counter()
    try:
        done = subprocess.run(["/usr/bin/time", "-f", "PEAK_KB %M"] + command, env=env, capture_output=True,
                              text=True, timeout=RUN_TIMEOUT)
    except subprocess.TimeoutExpired:
        fail(f"{' '.join(command)} did not end within {RUN_TIMEOUT} s")
    wall = (time.perf_counter() - start) * 1000
    output = done.stdout + "\n" + done.stderr
    if done.returncode != 0:
        fail(f"{' '.join(command)} failed with code {done.returncode}:\n{output[-3000:]}")
    values = {m.group(1): float(m.group(2)) for m in re.finditer(r"^RESULT (\S+) (\S+)$", output, re.M)}
    peak = re.search(r"PEAK_KB (\d+)", output)
    return values, wall, int(peak.group(1)) / 1024 if peak else float("nan")


class Case:
    """One row of the table: a figure of one scene, lower is better on both sides."""

    def __init__(self, label, key, ours, theirs, unit):
        self.label, self.key, self.ours, self.theirs, self.unit = label, key, ours, theirs, unit
        self.values = {"ours": [], "theirs": []}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--no-write", action="store_true")
    args = parser.parse_args()
    runs = 2 if args.quick else args.runs

    love_version = set_up()
    work = tempfile.mkdtemp(prefix="pelterra-peer-")
    server = None
    try:
        config, love_dir = build_scenes(work)
        server, display = start_xvfb()
        env = dict(os.environ, DISPLAY=display, XDG_DATA_HOME=os.path.join(work, "data"),
                   HOME=os.path.join(work, "home"))
        env.pop("SDL_AUDIODRIVER", None)
        os.makedirs(env["HOME"], exist_ok=True)

        def ours(*options):
            return [ENGINE, config] + list(options)

        def theirs(*options):
            return ["love", love_dir] + list(options)

        # Scenes: (name, ours, theirs, [(label, key, unit)]). A scene runs once a round and
        # gives all its figures.
        scenes = []
        counts = [1000, 10000] if args.quick else [1000, 10000, 50000]
        for size in (32, 1):
            for n in counts:
                figures = [(f"{size} × {size} px sprites, N = {n}, whole frame", "frame_ms", "ms")]
                if size == 32:
                    figures.append((f"submit per rotated sprite, N = {n}", "submit_ns_per_sprite", "ns"))
                options = ("--scene=sprites", f"--n={n}", f"--size={size}")
                scenes.append((ours(*options), theirs(*options), figures))
        scenes.append((ours("--scene=physics"), theirs("--scene=physics"),
                       [("physics, 200-box pyramid, step awake", "awake_step_us", "µs"),
                        ("physics, 200-box pyramid, step asleep", "asleep_step_us", "µs")]))
        calls = [("native call, no argument, nothing returned", "empty_ns", "ns"),
                 ("native call, no argument → boolean", "boolean_ns", "ns"),
                 ("native call, one string argument → number", "string_number_ns", "ns")]
        scenes.append((ours("--scene=calls"), theirs("--scene=calls"), [(l + " (JIT)", k, u) for l, k, u in calls]))
        scenes.append((ours("--scene=calls"), theirs("--scene=calls", "--nojit"),
                       [(l + " (interpreter)", k, u) for l, k, u in calls]))
        scenes.append((ours("--scene=startup"), theirs("--scene=startup"),
                       [("start-up to first frame and exit, no audio", "wall_ms", "ms"),
                        ("peak resident memory, no audio", "peak_mb", "MB")]))
        scenes.append((ours("--scene=startup", "--audio"), theirs("--scene=startup", "--audio"),
                       [("start-up to first frame and exit, with audio", "wall_ms", "ms"),
                        ("peak resident memory, with audio", "peak_mb", "MB")]))

        # One warm-up run of each engine fills the file cache and the shader caches.
        run_once(ours("--scene=startup"), env)
        run_once(theirs("--scene=startup"), env)

        rows = []
        total = len(scenes)
        for index, (our_command, their_command, figures) in enumerate(scenes, 1):
            cases = [Case(label, key, None, None, unit) for label, key, unit in figures]
            print(f"[{index}/{total}] {figures[0][0]} ...", flush=True)
            for _ in range(runs):
                for side, command in (("ours", our_command), ("theirs", their_command)):
                    values, wall, peak = run_once(command, env)
                    values.update(wall_ms=wall, peak_mb=peak)
                    for case in cases:
                        if case.key not in values:
                            fail(f"{' '.join(command)} printed no {case.key}")
                        case.values[side].append(values[case.key])
            rows.extend(cases)
    finally:
        if server:
            server.terminate()
        shutil.rmtree(work, ignore_errors=True)

    lines = [f"| scene | Pelterra, median (min–max) | LÖVE, median (min–max) | ratio |", "|---|---|---|---|"]
    worst = None
    for case in rows:
        a, b = case.values["ours"], case.values["theirs"]
        ratio = statistics.median(a) / statistics.median(b)
        if worst is None or ratio > worst[0]:
            worst = (ratio, case.label)

        def cell(values):
            return f"{statistics.median(values):.3g} {case.unit} ({min(values):.3g}–{max(values):.3g})"

        lines.append(f"| {case.label} | {cell(a)} | {cell(b)} | {ratio:.2f} |")
    table = "\n".join(lines)
    summary = f"worst ratio: {worst[0]:.2f} ({worst[1]})"

    machine = describe_machine(love_version)
    if not args.no_write and not args.quick:
        results = os.path.join(ROOT, "bench", "RESULTS.md")
        # What people wrote about the figures, from its heading on, outlives the table.
        notes = ""
        if os.path.exists(results):
            with open(results) as old:
                text = old.read()
            if NOTES_HEADING in text:
                notes = "\n" + text[text.index(NOTES_HEADING):]
        with open(results, "w") as out:
            out.write("# Pelterra beside LÖVE 11.4\n\n")
            out.write("Made by `bench/peer/run.py` (the scenes are in `bench/peer/`): each case run "
                      f"{runs} times per engine, interleaved, under one Xvfb server at 1280 × 720. "
                      "Ratio = Pelterra / LÖVE, below 1 is faster.\n\n")
            out.write(machine + "\n\n" + table + "\n\n" + summary + "\n" + notes)
    print()
    print(machine)
    print()
    print(table)
    print()
    print(summary)


def describe_machine(love_version):
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as info:
            cpu = next(line.split(":", 1)[1].strip() for line in info if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT, capture_output=True,
                            text=True).stdout.strip()
    return (f"Machine: {os.cpu_count()} CPUs ({cpu}), {platform.system()} {platform.release()}, "
            f"Mesa llvmpipe under Xvfb; {love_version}; Pelterra at {commit or 'an unknown commit'}; "
            f"{time.strftime('%Y-%m-%d')}.")


if __name__ == "__main__":
    main()
