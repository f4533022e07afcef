#!/usr/bin/env python3
"""Reads frame_bench's JSON output and prints frames per second per view and
device (median of the repetitions, with the range), and the ratio of the
program's device to the device as it was.

    frames_table.py RESULTS.json
"""

import json
import statistics
import sys

VIEWS = {-40: "nothing in view", 0: "start", 8: "8 x F", 25: "25 x F, whole grid"}
DEVICES = {0: "before", 1: "culling only", 2: "now", 3: "quick first sight"}


def main(path):
    with open(path) as f:
        runs = [b for b in json.load(f)["benchmarks"] if b.get("run_type") == "iteration"]
    fps = {}
    for b in runs:
        if not b["name"].startswith("BM_Device/"):
            continue
        fields = dict(part.split(":") for part in b["name"].split("/")[1:] if ":" in part)
        key = (int(fields["zoomOuts"]), int(fields["device"]))
        fps.setdefault(key, []).append(b["fps"])
    print(f"{'view':22}" + "".join(f"{d:>22}" for d in DEVICES.values()) +
          f"{'now / before':>14}{'quick / now':>13}")
    for zoom, view in VIEWS.items():
        cells, medians = [], {}
        for device in DEVICES:
            values = fps.get((zoom, device), [])
            if not values:
                cells.append(f"{'-':>22}")
                continue
            medians[device] = statistics.median(values)
            cells.append(f"{medians[device]:9.1f} ({min(values):5.0f}-{max(values):4.0f})")
        ratio = f"{medians[2] / medians[0]:13.2f}x" if 0 in medians and 2 in medians else f"{'-':>14}"
        ratio += f"{medians[3] / medians[2]:12.2f}x" if 3 in medians and 2 in medians else f"{'-':>13}"
        print(f"{view:22}" + "".join(cells) + ratio)
    print("frames per second: median of the runs (lowest-highest)")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    main(sys.argv[1])
