#!/usr/bin/python3
"""Where the page's main thread spends its time in the whole-grid view
(25 x F, the particles randomised): the DevTools Profiler's samples over
SECONDS, as self time per function, and in all for the WebAssembly, the
page's JavaScript, the browser's own functions, the garbage collector and
the idle thread.

    web_profile.py SITE_FOLDER [SECONDS] [TOP]

SECONDS 5 and TOP 25 unless told. For the program's function names, link
the page with them kept, in a build folder of its own:
    cmake --preset web -B build/web-prof -DCMAKE_EXE_LINKER_FLAGS=--profiling-funcs
    NODE_PATH=/usr/share/nodejs cmake --build build/web-prof --target lattice-gas
    bench/e2e/web_profile.py build/web-prof
Headless Chromium with software WebGL, as bench/e2e/web_frames.sh; measure
nothing else at the same time.
"""

import collections
import os
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
import web_driver as web  # noqa: E402

SAMPLING_MICROSECONDS = 200
SETTLE_SECONDS = 2.0

# Present waits for the next animation frame, at which the frame is shown.
COUNT_SHOWN = """
window.shown = 0;
const animationFrame = window.requestAnimationFrame;
window.requestAnimationFrame = function (...args) {
  window.shown++;
  return animationFrame.apply(window, args);
};
"""


def kind(frame):
    name, url = frame["functionName"], frame["url"]
    if name in ("(program)", "(idle)", "(garbage collector)", "(root)"):
        return name
    if url.startswith("wasm://") or url.endswith(".wasm"):
        return "wasm"
    # The program's glue and the page's own script; no URL: the browser's
    # functions (WebGL, the DOM) and V8's builtins.
    return "JS" if url else "browser's own"


def self_times(profile):
    """{node id: microseconds}: each sample's time runs to the next one."""
    samples, deltas = profile["samples"], profile["timeDeltas"]
    times = collections.Counter()
    for i, node in enumerate(samples):
        times[node] += deltas[i + 1] if i + 1 < len(samples) else 0
    return times


def main(argv):
    if len(argv) not in (2, 3, 4):
        print(__doc__)
        return 2
    folder = argv[1]
    seconds = float(argv[2]) if len(argv) > 2 else 5.0
    top = int(argv[3]) if len(argv) > 3 else 25

    def body(browser, site):
        browser.before_load(COUNT_SHOWN)
        page = web.Page(browser, site.url + "index.html")
        page.wait("a first frame", lambda: browser.js("return window.shown") > 0, 60)
        page.key("v")
        page.key(*["f"] * 25, delay_ms=5)
        time.sleep(SETTLE_SECONDS)
        browser.cdp("Profiler.enable")
        browser.cdp("Profiler.setSamplingInterval", {"interval": SAMPLING_MICROSECONDS})
        s0 = browser.js("return window.shown")
        browser.cdp("Profiler.start")
        time.sleep(seconds)
        profile = browser.cdp("Profiler.stop")["profile"]
        return profile, browser.js("return window.shown") - s0

    profile, shown = web.run_with_site(folder, body)
    nodes = {n["id"]: n["callFrame"] for n in profile["nodes"]}
    times = self_times(profile)
    total = sum(times.values())
    by_kind, by_function = collections.Counter(), collections.Counter()
    for node, us in times.items():
        frame = nodes[node]
        by_kind[kind(frame)] += us
        by_function[(frame["functionName"] or "(anonymous)", kind(frame))] += us
    busy = total - by_kind["(idle)"]
    print(f"{folder}: 25 x F, particles randomised; {total / 1e6:.1f} s sampled every "
          f"{SAMPLING_MICROSECONDS} us, {shown} frames shown ({shown / (total / 1e6):.1f} per second), "
          f"main thread busy {busy / 1e3 / max(shown, 1):.1f} ms a frame")
    print(f"\n{'in all':24}{'ms':>9}{'% of all':>10}{'% busy':>9}")
    for name in ("wasm", "JS", "browser's own", "(garbage collector)", "(program)", "(root)", "(idle)"):
        us = by_kind[name]
        print(f"{name:24}{us / 1e3:9.1f}{100 * us / total:10.1f}"
              + (f"{100 * us / busy:9.1f}" if name != "(idle)" else ""))
    print(f"\n{'self time':>9}{'% busy':>8}  {'kind':14}function")
    busiest = [(key, us) for key, us in by_function.most_common() if key[1] != "(idle)"]
    for (name, what), us in busiest[:top]:
        print(f"{us / 1e3:9.1f}{100 * us / busy:8.1f}  {what:14}{name[:100]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
