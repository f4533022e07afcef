#!/usr/bin/python3
"""The web edition beside the native build (bench/e2e/web_frames.sh sets up
the display): frames per second in three views, the first frame, the size.

    web_frames.py FRAME_BENCH SITE_FOLDER[,SITE_FOLDER...] ROUNDS

With several site folders (builds of the page to compare, such as an
earlier commit's build/web in a worktree of its own), each round runs every
one of them, and each is reported against the first.

Web frames are counted in the page: a script put in before the page's own
counts the frames drawn (one Clear each) and the frames presented (each
Present waits for the next animation frame, at which it is shown), and notes the time
of the first frame from the start of navigation, on a first visit and on a
repeat visit served by the service worker (the browser's HTTP cache is off),
and the time from a frame's Clear to its Present (the program's own part:
culling, the stream, the WebGL calls; the browser draws it after). Native frames are
frame_bench's BM_Frame.
"""

import gzip
import json
import os
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
import web_driver as web  # noqa: E402

VIEWS = [(0, "start"), (8, "8 x F"), (25, "25 x F, whole grid")]
WATCH_SECONDS = 6.0
SETTLE_SECONDS = 1.5

COUNT_PRESENTS = """
window.presents = [];
window.shown = 0;
window.work = [];
const clear = WebGL2RenderingContext.prototype.clear;
WebGL2RenderingContext.prototype.clear = function (...args) {
  window.presents.push(performance.now());
  return clear.apply(this, args);
};
// Present ends by waiting for the next animation frame, at which the frame
// is shown (the program asks for animation frames nowhere else).
const animationFrame = window.requestAnimationFrame;
window.requestAnimationFrame = function (...args) {
  if (window.shown++ === 0) window.firstShown = performance.now();
  // The program's own part of a frame: from its Clear to its Present.
  if (window.presents.length) window.work.push(performance.now() - window.presents[window.presents.length - 1]);
  return animationFrame.apply(window, args);
};
"""


def native_fps(bench, zoom):
    out = subprocess.run(
        [bench, f"--benchmark_filter=^BM_Frame/zoomOuts:{zoom}/",
         "--benchmark_format=json"],
        capture_output=True, text=True, timeout=300, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return runs[0]["fps"]


def web_round(site_folder):
    """(first frame in ms from navigation, the same on a repeat visit,
    {zoom: (frames drawn, frames shown per second, ms in the program)})."""

    def body(browser, site):
        browser.before_load(COUNT_PRESENTS)
        # Every visit from the server or the service worker, never from the
        # browser's own cache.
        browser.cdp("Network.enable")
        browser.cdp("Network.setCacheDisabled", {"cacheDisabled": True})
        page = web.Page(browser, site.url + "index.html")
        page.wait("a first frame", lambda: browser.js("return window.shown") > 0, 60)
        first = browser.js("return window.firstShown")
        page.key("v")
        fps, done = {}, 0
        for zoom, _ in VIEWS:
            page.key(*["f"] * (zoom - done), delay_ms=5)
            done = zoom
            time.sleep(SETTLE_SECONDS)
            n0, s0, t0, w0 = browser.js("return [window.presents.length, window.shown, performance.now(), window.work.length]")
            time.sleep(WATCH_SECONDS)
            n1, s1, t1, work = browser.js("return [window.presents.length, window.shown, performance.now(), window.work]")
            program = statistics.median(work[w0:]) if len(work) > w0 else float("nan")
            fps[zoom] = ((n1 - n0) / ((t1 - t0) / 1000.0), (s1 - s0) / ((t1 - t0) / 1000.0), program)
        # A repeat visit, served by the service worker; from a blank page, as
        # the page in the whole-grid view would keep both cores busy while
        # the next one loads.
        page.wait("the service worker", lambda: browser.js("return !!navigator.serviceWorker.controller"), 30)
        browser.open("about:blank")
        time.sleep(SETTLE_SECONDS)
        web.Page(browser, site.url + "index.html")
        page.wait("a first frame on the repeat visit", lambda: browser.js("return window.shown") > 0, 60)
        again = browser.js("return window.firstShown")
        return first, again, fps

    return web.run_with_site(site_folder, body)


def sizes(site_folder):
    out = {}
    for name in ("lattice-gas.wasm", "lattice-gas.js"):
        with open(os.path.join(site_folder, name), "rb") as f:
            data = f.read()
        out[name] = (len(data), len(gzip.compress(data, 9)))
    return out


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    bench, sites, rounds = argv[1], argv[2].split(","), int(argv[3])
    native = {zoom: [] for zoom, _ in VIEWS}
    browser = {site: {zoom: [] for zoom, _ in VIEWS} for site in sites}
    shown = {site: {zoom: [] for zoom, _ in VIEWS} for site in sites}
    work = {site: {zoom: [] for zoom, _ in VIEWS} for site in sites}
    firsts = {site: [] for site in sites}
    repeats = {site: [] for site in sites}
    for r in range(rounds):
        for zoom, _ in VIEWS:
            native[zoom].append(native_fps(bench, zoom))
        line = f"round {r + 1}: native " + " ".join(f"{native[z][-1]:.1f}" for z, _ in VIEWS)
        # A different order each round, so that neither build always runs
        # right after the native one.
        for site in sites[r % len(sites):] + sites[:r % len(sites)]:
            first, again, fps = web_round(site)
            firsts[site].append(first)
            repeats[site].append(again)
            for zoom in fps:
                browser[site][zoom].append(fps[zoom][0])
                shown[site][zoom].append(fps[zoom][1])
                work[site][zoom].append(fps[zoom][2])
            line += f", {site} " + " ".join(f"{browser[site][z][-1]:.1f}" for z, _ in VIEWS)
        print(line + f", load {os.getloadavg()[0]:.1f}", flush=True)
    for site in sites:
        print(f"\n{site}:")
        print(f"{'frames per second':24}{'native':>10}{'web':>10}{'(shown)':>10}{'ms in program':>15}{'web/native':>12}"
              + (f"{'/ ' + sites[0]:>28}" if site != sites[0] else ""))
        for zoom, view in VIEWS:
            n, w = statistics.median(native[zoom]), statistics.median(browser[site][zoom])
            line = (f"{view:24}{n:10.1f}{w:10.1f}{statistics.median(shown[site][zoom]):10.1f}"
                    f"{statistics.median(work[site][zoom]):15.1f}{w / n:12.2f}")
            if site != sites[0]:
                line += f"{w / statistics.median(browser[sites[0]][zoom]):27.2f}x"
            print(line)
        first = statistics.median(firsts[site])
        print(f"page load to first drawn frame: {first:.0f} ms (median of {rounds}; "
              f"{min(firsts[site]):.0f}-{max(firsts[site]):.0f}), goal <= 1500 ms: "
              f"{'met' if first <= 1500 else 'NOT met'}")
        again = statistics.median(repeats[site])
        print(f"on a repeat visit, from the service worker: {again:.0f} ms (median of {rounds}; "
              f"{min(repeats[site]):.0f}-{max(repeats[site]):.0f}), goal faster than the first: "
              f"{'met' if again < first else 'NOT met'}")
        total_raw = total_gz = 0
        for name, (raw, gz) in sizes(site).items():
            total_raw += raw
            total_gz += gz
            print(f"{name:20}{raw / 1024:8.1f} KiB raw {gz / 1024:8.1f} KiB gzipped")
        print(f"{'together':20}{total_raw / 1024:8.1f} KiB raw {total_gz / 1024:8.1f} KiB gzipped, "
              f"goal <= 300 KB gzipped: {'met' if total_gz <= 300_000 else 'NOT met'}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
