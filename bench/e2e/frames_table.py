#!/usr/bin/env python3
"""Reads frame_bench's JSON output, for one build or several, and prints
frames per second per view and build (median of the runs, with the range),
and each further build's ratio to the first.

    frames_table.py BUILD RESULTS.json... [BUILD RESULTS.json...]

A BUILD is any name that is not a .json file; the results after it are its.
"""

import json
import re
import statistics
import sys

VIEWS = {-40: "nothing in view", 0: "start", 8: "8 x F", 25: "25 x F, whole grid"}
# BM_Frame/zoomOuts:Z/..., or BM_Device/zoomOuts:Z/device:2/... from builds
# before it, whose device 2 was the program's.
NAME = re.compile(r"^BM_(?:Frame/zoomOuts:(-?\d+)|Device/zoomOuts:(-?\d+)/device:2)/")


def read(paths):
    fps = {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                m = NAME.match(b["name"] + "/")
                if b.get("run_type") == "iteration" and m:
                    fps.setdefault(int(m.group(1) or m.group(2)), []).append(b["fps"])
    return fps


def main(args):
    builds = []
    for arg in args:
        if arg.endswith(".json"):
            if not builds:
                print(__doc__)
                return 2
            builds[-1][1].append(arg)
        else:
            builds.append((arg, []))
    results = [(name, read(paths)) for name, paths in builds]
    for i, (name, paths) in enumerate(builds, 1):
        print(f"build {i}: {name} ({len(paths)} runs)")
    print(f"{'view':22}" + "".join(f"{f'build {i}':>24}" for i in range(1, len(results) + 1)) +
          "".join(f"{f'{i} / 1':>10}" for i in range(2, len(results) + 1)))
    for zoom, view in VIEWS.items():
        cells, medians = [], []
        for _, fps in results:
            values = fps.get(zoom, [])
            medians.append(statistics.median(values) if values else None)
            cells.append(f"{medians[-1]:11.1f} ({min(values):5.0f}-{max(values):4.0f})" if values else f"{'-':>24}")
        ratios = [f"{m / medians[0]:9.2f}x" if m and medians[0] else f"{'-':>10}" for m in medians[1:]]
        print(f"{view:22}" + "".join(cells) + "".join(ratios))
    print("frames per second: median of the runs (lowest-highest)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
