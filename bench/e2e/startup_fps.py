#!/usr/bin/env python3
"""Start-up time and frame rate of the real program, native and under Wine,
on the current X display (bench/e2e/startup_fps.sh sets one up).

    startup_fps.py NATIVE_PROGRAM WINDOWS_EXE [RUNS]

Start-up: from starting the process to the first screenshot that shows the
whole start grid where the camera puts it (screenshots are taken back to back,
so the figure is late by up to one screenshot, printed alongside).

Frame rate, with the particles randomised (V): the program runs one generation
every 21 frames and draws no frame counter, so a tracer is made where it can be
watched: the view is panned to the right edge of the grid (the randomised grid
fills the left part of the picture), two nodes are added 5 units apart on empty
plane (right clicks) and one tagged particle is put on them. With no other node
near, that particle bounces between the two forever, one link per generation;
each turn at an end is a generation boundary, and its place between the ends
is the clock's phase. Frames per second = 21 x generations per second, the
slope of the tracer's progress (generations and phase) over time.
Screenshots cost the shared CPU something too, so they are spaced out to a
tenth of a generation.
"""

import math
import os
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
import lattice_e2e as e2e  # noqa: E402

PERIOD_FRAMES = 21
WATCH_SECONDS = 12.0


def startup(build, program):
    app = e2e.App(build, program)
    try:
        camera = e2e.Camera()
        app.wait_window()
        t_window = time.monotonic() - app.started
        shot_times = []
        deadline = time.monotonic() + 60
        while True:
            t = time.monotonic()
            p = app.shot()
            shot_times.append(time.monotonic() - t)
            if not e2e.grid_mismatches(p, camera)[0]:
                t_grid = time.monotonic() - app.started
                break
            if time.monotonic() > deadline:
                raise e2e.Failure("no grid within 60 s")
        app.focus()
        app.escape_and_expect_zero()
        return t_window, t_grid, statistics.median(shot_times)
    finally:
        app.kill()


def crop(app, x, y, w, h):
    """Screenshot of part of the window, window pixels."""
    r = subprocess.run(
        ["import", "-window", app.wid, "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "ppm:-"],
        capture_output=True,
        timeout=15,
    )
    if r.returncode != 0:
        raise e2e.Failure("screenshot failed")
    return e2e.Picture(r.stdout)


def frame_rate(build, program):
    app = e2e.App(build, program)
    try:
        camera = e2e.Camera()
        app.wait_window()
        app.wait_grid(camera)
        app.focus()
        app.key("v")
        # Pan right until the grid's corner at (125, 0) is left of the centre.
        presses = 325
        app.key(*["d"] * presses, delay_ms=2)
        for _ in range(presses):
            camera.pan_x(+1)
        ppu = camera.pixels_per_unit()
        # Tracer nodes A and B, 5 units apart, on empty plane right of the corner.
        ax, ay = camera.to_pixel(camera.x + 1.0, camera.y - 5.0)
        bx, by = camera.to_pixel(camera.x + 6.0, camera.y - 5.0)
        app.wait_picture("the grid's corner", lambda p: all(e2e.is_black(q) for q in p.around(ax, ay, 40)))
        app.click(3, ax, ay)
        app.click(3, bx, by)
        app.click(1, ax, ay)  # select A
        app.key("0")  # a tagged particle on A, towards B
        app.click(1, ax, by + 2.5 * ppu)  # empty plane: clears the selection, the clock runs
        # Watch the band between A and B.
        p = app.shot()
        sx, sy = p.w / e2e.BB_W, p.h / e2e.BB_H
        x0, y0 = int((ax - 2 * ppu) * sx), int((ay - 2 * ppu) * sy)
        w, h = int(9 * ppu * sx), int(4 * ppu * sy)
        left = ax * sx  # A in window pixels
        unit = ppu * sx
        samples = []
        end = time.monotonic() + WATCH_SECONDS
        gap = 0.0
        while time.monotonic() < end:
            t0 = time.monotonic()
            c = crop(app, x0, y0, w, h)
            t1 = time.monotonic()
            n, centre = c.blob(e2e.is_red)
            if n > 20:
                # blob() gives back-buffer pixels of the crop; back to window pixels.
                u = (x0 + centre[0] * c.w / e2e.BB_W - left) / unit  # 0 at A, 5 at B
                samples.append(((t0 + t1) / 2, u))
            time.sleep(gap)
            gap = max(0.0, min(0.5, estimated_leg(samples) / 10 - (time.monotonic() - t0)))
        turns = turn_indices(samples)
        if len(turns) < 3:
            raise e2e.Failure(f"saw only {len(turns)} turns of the tracer in {WATCH_SECONDS} s")
        if len(samples) < 4 * len(turns):
            raise e2e.Failure(f"too fast to follow: {len(samples)} samples for {len(turns)} turns")
        # Generations per second: the slope of the tracer's progress over time,
        # from its first turn on.
        prog = progress(samples, turns)[turns[0] :]
        times = [t for t, _ in samples[turns[0] :]]
        rate = slope(times, prog)
        app.escape_and_expect_zero()
        return rate * PERIOD_FRAMES, prog[-1] - prog[0], len(samples)
    finally:
        app.kill()


def estimated_leg(samples):
    """Seconds per generation seen so far (0 until two turns were seen)."""
    turns = turn_indices(samples)
    if len(turns) < 2:
        return 0.0
    return (samples[turns[-1]][0] - samples[turns[0]][0]) / (len(turns) - 1)


def turn_indices(samples, hysteresis=0.4):
    """Indices of the samples where the tracer turns (an extreme of its position),
    with hysteresis (units) so that pixel noise makes no turns."""
    turns = []
    direction = 1  # the particle first moves towards B
    ext = 0
    for i, (_, u) in enumerate(samples):
        if (u - samples[ext][1]) * direction > 0:
            ext = i
        elif abs(u - samples[ext][1]) > hysteresis:
            turns.append(ext)
            direction, ext = -direction, i
    return turns


def progress(samples, turns):
    """Generations travelled at each sample: the legs so far plus the part of the
    current leg (positions run from 0 at A to 5 at B, or back)."""
    out = []
    leg = 0
    for i, (_, u) in enumerate(samples):
        while leg < len(turns) and turns[leg] < i:
            leg += 1
        out.append(leg + (u / 5.0 if leg % 2 == 0 else 1.0 - u / 5.0))
    return out


def slope(xs, ys):
    mx, my = statistics.fmean(xs), statistics.fmean(ys)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    programs = {"native": argv[1], "wine": argv[2]}
    runs = int(argv[3]) if len(argv) > 3 else 3
    results = {}
    for build, program in programs.items():
        ups = [startup(build, program) for _ in range(runs)]
        fps, gens, n = frame_rate(build, program)
        results[build] = (ups, fps, gens, n)
        print(
            f"{build}: window {statistics.median(u[0] for u in ups):.2f} s, grid {statistics.median(u[1] for u in ups):.2f} s "
            f"(screenshot {statistics.median(u[2] for u in ups) * 1000:.0f} ms), "
            f"{fps:.1f} frames/s over {gens:.1f} generations ({n} samples)",
            flush=True,
        )
    print()
    print(f"{'':34}{'native':>12}{'wine':>12}")
    rows = [
        ("start to window (s, median)", lambda r: statistics.median(u[0] for u in r[0])),
        ("start to first grid picture (s)", lambda r: statistics.median(u[1] for u in r[0])),
        ("frames per second, randomised", lambda r: r[1]),
        ("generations per second", lambda r: r[1] / PERIOD_FRAMES),
    ]
    for label, get in rows:
        print(f"{label:34}" + "".join(f"{get(results[b]):12.2f}" for b in programs))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except e2e.Failure as e:
        print(f"failed: {e}")
        sys.exit(1)
