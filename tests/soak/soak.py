#!/usr/bin/env python3
"""Soak of the real program: thousands of random key presses, clicks and wheel
turns through XTest on the X display in DISPLAY, with its resident memory
sampled throughout, then Escape. Passes when the program exits with 0, prints no
sanitizer report, and its memory growth, settled and at its peak, stays within a
budget per added node plus a fixed slack.

usage: soak.py PROGRAM [--inputs N] [--seed S]
Meant for the AddressSanitizer build (build/asan/app/lattice-gas).
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
import time

# The end-to-end tests' look-up of the program's window; no bytecode left in
# the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from lattice_e2e import TITLE, windows_named  # noqa: E402
# Memory budget: every right click may add a node (with its index entries,
# links and allocator redzones under AddressSanitizer); the slack covers the
# index and query scratch growing to their peak, and Mesa's buffers settling
# after start-up. Mesa's software renderer bins each frame's triangles in 64 KiB
# blocks, up to 36 MiB a frame and two frames in flight: a view with much of a
# grown lattice and its particles in it takes that much for as long as it lasts
# (seen: 64 MiB, held for a dozen samples). The peak may hold that too, with the
# sanitizer's rounding of those blocks; the settled figure may not.
#
# The start and settled figures are both taken in the same light view (no
# particles, the eye closer to the plane than the near plane, so nothing is
# drawn), each reached by zooming in through many views, a tenth of a second
# each so that every one is drawn, and after a pause in which
# the sanitizer's allocator gives freed pages back. The zoom churns the OpenGL
# device's per-draw cache through more than the sanitizer's quarantine of freed
# blocks (capped below), whose small blocks take more memory than the cap says:
# the quarantine is then as full at the start as at the end, and what stays
# above the start is what the inputs left.
PER_NODE_BYTES = 4096
SLACK_BYTES = 32 * 1024 * 1024
RENDERER_BYTES = 96 * 1024 * 1024
START_DISTANCE = 20.0  # the eye's distance from the plane at start
LIGHT_DISTANCE = 0.3   # closer than the near plane (1.0): nothing is drawn
SETTLE_SECONDS = 8     # more than the sanitizer's 5 s interval for releasing memory
QUARANTINE_MB = 32
BATCH = 200            # inputs per xdotool run
START_TIMEOUT = 60     # s until the window shows
EXIT_TIMEOUT = 60      # s from Escape to the end of the process
TOTAL_TIMEOUT = 600    # s for the whole soak

KEYS = (["Return", "Delete", "q", "c", "v", "r", "f", "a", "d", "s", "w"] * 3
        + [str(d) for d in range(10)] + ["a", "d", "s", "w"] * 4
        + ["shift", "ctrl", "Left", "Right", "Up", "Down", "space", "x", "KP_0", "F1"])
SANITIZER_MARKERS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                     "SUMMARY: AddressSanitizer", "SUMMARY: UndefinedBehaviorSanitizer")


class Failure(Exception):
    pass


def run(args, timeout=60, check=True):
    r = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    if check and r.returncode != 0:
        raise Failure(f"{' '.join(args)} failed: {r.stderr.strip()}")
    return r


def send(script, timeout):
    """Runs an xdotool script: its commands, one a line, as XTest input."""
    r = subprocess.run(["xdotool", "-"], input=script, capture_output=True, text=True, timeout=timeout)
    if r.returncode != 0:
        raise Failure(f"xdotool failed: {r.stderr.strip()}")


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise Failure("no VmRSS")


def find_window(proc, deadline):
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            raise Failure(f"the program ended at start-up with exit code {proc.returncode}")
        ids = windows_named(TITLE)
        if ids:
            return ids[0]
        time.sleep(0.1)
    raise Failure(f"no window titled '{TITLE}' on screen within {START_TIMEOUT} s")


def window_size(wid):
    out = run(["xwininfo", "-id", wid]).stdout
    w = int(re.search(r"Width: (\d+)", out).group(1))
    h = int(re.search(r"Height: (\d+)", out).group(1))
    return w, h


class Eye:
    """The eye's distance from the plane, followed through the zoom inputs sent:
    each step in (R, the wheel forward) or out (F, the wheel back) moves the eye
    a tenth of its distance."""

    def __init__(self):
        self.distance = START_DISTANCE

    def zoom(self, amount):
        self.distance -= self.distance / 10.0 * amount

    def steps_in_to(self, distance):
        steps = 0
        while self.distance >= distance:
            self.zoom(+1)
            steps += 1
        return steps


def light_view_keys(eye):
    """Clears the particles and zooms in, a view at a time, to the light view."""
    return "key --delay 100 c" + " r" * eye.steps_in_to(LIGHT_DISTANCE) + "\n"


def make_batch(rng, wid, w, h, n, counts, eye):
    """An xdotool script of n inputs: keys, left and right clicks, wheel turns."""
    lines = []
    for _ in range(n):
        pick = rng.random()
        if pick < 0.55:
            key = rng.choice(KEYS)
            lines.append(f"key --delay 1 {key}")
            counts["keys"] += 1
            eye.zoom({"r": +1, "f": -1}.get(key, 0))
        elif pick < 0.85:
            # Mostly near the centre, where the grid is at start.
            if rng.random() < 0.6:
                x, y = int(rng.gauss(w / 2, w / 6)), int(rng.gauss(h / 2, h / 6))
                x, y = min(max(x, 0), w - 1), min(max(y, 0), h - 1)
            else:
                x, y = rng.randrange(w), rng.randrange(h)
            button = 1 if rng.random() < 0.6 else 3
            counts["left" if button == 1 else "right"] += 1
            lines.append(f"mousemove --window {wid} {x} {y}")
            lines.append(f"click --delay 1 {button}")
        else:
            button = rng.choice((4, 5))
            lines.append(f"click --delay 1 {button}")
            counts["wheel"] += 1
            eye.zoom(+1 if button == 4 else -1)
    return "\n".join(lines) + "\n"


def soak(program, inputs, seed, work):
    rng = random.Random(seed)
    env = dict(os.environ)
    here = os.path.dirname(os.path.abspath(__file__))
    env["ASAN_OPTIONS"] = f"detect_leaks=1:quarantine_size_mb={QUARANTINE_MB}:halt_on_error=1"
    env["LSAN_OPTIONS"] = f"suppressions={here}/lsan.supp:print_suppressions=0"
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    stderr_path = os.path.join(work, "stderr.txt")
    start = time.monotonic()
    with open(stderr_path, "w") as err:
        proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=err, env=env)
    try:
        wid = find_window(proc, start + START_TIMEOUT)
        w, h = window_size(wid)
        run(["xdotool", "mousemove", "--window", wid, "5", "5"])
        run(["timeout", "10", "xdotool", "windowfocus", "--sync", wid])
        focused = run(["xdotool", "getwindowfocus"]).stdout.strip()
        if int(focused) != int(wid, 16):
            raise Failure(f"the window {wid} did not get the focus ({focused} has it)")
        time.sleep(1.0)  # the first frames, with every mesh and buffer made
        eye = Eye()
        send(light_view_keys(eye), timeout=60)
        time.sleep(SETTLE_SECONDS)
        baseline = peak = rss_kib(proc.pid)
        samples = [baseline]
        # Back out to about the start view for the inputs.
        steps_out = 0
        while eye.distance < START_DISTANCE / 1.1:
            eye.zoom(-1)
            steps_out += 1
        send("key --delay 20" + " f" * steps_out + "\n", timeout=60)
        counts = {"keys": 0, "left": 0, "right": 0, "wheel": 0}
        sent = 0
        while sent < inputs:
            if time.monotonic() - start > TOTAL_TIMEOUT:
                raise Failure(f"the soak took longer than {TOTAL_TIMEOUT} s")
            n = min(BATCH, inputs - sent)
            script = make_batch(rng, wid, w, h, n, counts, eye)
            send(script, timeout=120)
            sent += n
            if proc.poll() is not None:
                raise Failure(f"the program ended after {sent} inputs with exit code {proc.returncode}")
            rss = rss_kib(proc.pid)
            samples.append(rss)
            peak = max(peak, rss)
        send(light_view_keys(eye), timeout=60)
        time.sleep(SETTLE_SECONDS)
        if proc.poll() is not None:
            raise Failure(f"the program ended after {sent} inputs with exit code {proc.returncode}")
        final = rss_kib(proc.pid)
        samples.append(final)
        peak = max(peak, final)
        run(["xdotool", "key", "Escape"])
        try:
            code = proc.wait(timeout=EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {EXIT_TIMEOUT} s of Escape")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=10)
    with open(stderr_path, errors="replace") as f:
        stderr = f.read()
    growth = (peak - baseline) * 1024
    settled_growth = (final - baseline) * 1024
    settled_budget = PER_NODE_BYTES * counts["right"] + SLACK_BYTES
    budget = settled_budget + RENDERER_BYTES
    print(f"soak: seed {seed}, {sent} inputs ({counts['keys']} keys, {counts['left']} left clicks, "
          f"{counts['right']} right clicks, {counts['wheel']} wheel turns) in {time.monotonic() - start:.0f} s")
    print(f"soak: RSS baseline {baseline} KiB, peak {peak} KiB, settled {final} KiB; settled growth "
          f"{settled_growth // 1024} KiB, budget {settled_budget // 1024} KiB ({PER_NODE_BYTES} B x "
          f"{counts['right']} right clicks + {SLACK_BYTES // (1024 * 1024)} MiB); peak growth {growth // 1024} KiB, "
          f"budget {budget // 1024} KiB (+ renderer {RENDERER_BYTES // (1024 * 1024)} MiB)")
    print("soak: RSS samples (KiB): " + " ".join(str(s) for s in samples))
    problems = []
    if code != 0:
        problems.append(f"exit code {code}")
    found = [m for m in SANITIZER_MARKERS if m in stderr]
    if found:
        problems.append("sanitizer report: " + ", ".join(found))
    if settled_growth > settled_budget:
        problems.append(f"memory stayed {settled_growth // 1024} KiB above the start, over the budget of "
                        f"{settled_budget // 1024} KiB")
    if growth > budget:
        problems.append(f"memory peaked {growth // 1024} KiB above the start, over the budget of {budget // 1024} KiB")
    if problems:
        sys.stderr.write(stderr[-20000:])
        raise Failure("; ".join(problems))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--inputs", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        print("soak: needs an X display (DISPLAY)", file=sys.stderr)
        return 1
    seed = args.seed if args.seed is not None else random.randrange(1 << 32)
    with tempfile.TemporaryDirectory() as work:
        try:
            soak(args.program, args.inputs, seed, work)
        except (Failure, subprocess.TimeoutExpired) as e:
            print(f"soak FAILED (seed {seed}): {e}", file=sys.stderr)
            return 1
    print("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
