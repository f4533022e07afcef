#!/usr/bin/env python3
"""Process start to the program's first frame, timed inside the process
(bench/startup_probe), on the current display; Mesa's shader cache cold (an
empty cache for every run) and warm (a cache filled by one run before).

    startup.py PROBE [RUNS]

Each run prints moments in milliseconds from the start of the process; the
table gives their medians: for the program's own WinMain (to the device, the
first frame drawn, and shown), and for its steps one by one (window made,
device ready, grid built, first frame drawn, presented).
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(probe, cache, phases):
    env = dict(os.environ, MESA_SHADER_CACHE_DIR=cache)
    args = [probe, str(time.monotonic_ns())] + (["phases"] if phases else [])
    r = subprocess.run(args, capture_output=True, text=True, env=env, timeout=60)
    if r.returncode != 0:
        raise RuntimeError(f"{' '.join(args)}: {r.stderr.strip()}")
    words = r.stdout.split()
    return {words[i]: float(words[i + 1]) for i in range(0, len(words), 2)}


def table(title, results):
    moments = list(results[0])
    print(f"{title}: " + ", ".join(f"{m} {statistics.median(r[m] for r in results):.0f}" for m in moments)
          + f"  (ms, median of {len(results)}; last moment from {min(r[moments[-1]] for r in results):.0f} to "
          + f"{max(r[moments[-1]] for r in results):.0f})")


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    probe = argv[1]
    runs = int(argv[2]) if len(argv) > 2 else 10
    work = tempfile.mkdtemp(prefix="lattice-startup-")
    try:
        warm = os.path.join(work, "warm")
        run(probe, warm, False)
        for phases in (False, True):
            cold, hot = [], []
            for i in range(runs):
                fresh = os.path.join(work, f"cold-{phases}-{i}")
                cold.append(run(probe, fresh, phases))
                hot.append(run(probe, warm, phases))
            label = "steps" if phases else "WinMain"
            table(f"{label}, cache cold", cold)
            table(f"{label}, cache warm", hot)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
