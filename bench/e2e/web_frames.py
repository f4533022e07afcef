#!/usr/bin/python3
"""The web edition beside the native build (bench/e2e/web_frames.sh sets up
the display): frames per second and what each frame costs in six views,
the first frame, the size.

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
culling, the stream, the WebGL calls; the browser draws it after). The same
script counts the bytes handed to WebGL's bufferData and bufferSubData and
the draw calls. The page's main-thread CPU time comes from the DevTools
Performance domain (ThreadTime, in thread ticks), less the time the thread
spent on this script's own DevTools commands (DevToolsCommandDuration), per
frame shown; SwiftShader draws in the GPU process, so this is what the page
costs before any drawing, as on a machine with a GPU. Native frames are
frame_bench's BM_Frame.

The views: the start, 8 x F and 25 x F with the particles randomised, and
at 25 x F three with a key every frame: 7, which changes nothing (what the
keys cost on their own), then twelve A and twelve D in turn with nothing
selected, which pan the camera every frame (back and forth, so the grid
stays in view, but never back to a place the device still keeps), and with
the centre node selected (the simulation holds), which move that node every
frame. The keys go through the browser's input pipeline, each sent
once the frame that took the one before has been shown; the table gives the
keys the program took per frame.
"""

import base64
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

# Twelve steps one way, then twelve back: a place is never seen again within
# the few frames the device keeps what it drew, as it would be if the keys
# alternated.
THERE_AND_BACK = "a" * 12 + "d" * 12
# (label, zoom-outs from the start, the keys pressed in turn, one a frame)
VIEWS = [("start", 0, None), ("8 x F", 8, None), ("25 x F, whole grid", 25, None),
         ("25 x F, key 7 every frame", 25, "7"), ("25 x F, pan every frame", 25, THERE_AND_BACK),
         ("25 x F, node moved every frame", 25, THERE_AND_BACK)]
# frame_bench's views: the first three.
NATIVE_ZOOMS = sorted({zoom for _, zoom, keys in VIEWS if keys is None})
WATCH_SECONDS = 6.0
SETTLE_SECONDS = 4.0

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
window.frameWaiters = [];
window.keysAtFrame = [];
window.requestAnimationFrame = function (...args) {
  if (window.shown++ === 0) window.firstShown = performance.now();
  // The program's own part of a frame: from its Clear to its Present.
  if (window.presents.length) window.work.push(performance.now() - window.presents[window.presents.length - 1]);
  window.keysAtFrame.push(window.keys.taken);
  const waiters = window.frameWaiters;
  window.frameWaiters = [];
  for (const resolve of waiters) resolve();
  return animationFrame.apply(window, args);
};

// Keys from the input pipeline, and those the program took: sent to the
// focused canvas, whose handler keeps them from the browser (the page's
// own listener leaves the canvas's keys alone), with the frame they came after.
window.keys = {trusted: 0, taken: 0, frame: 0};
addEventListener('keydown', e => { if (e.isTrusted) window.keys.trusted++; }, true);
addEventListener('keydown', e => {
  if (e.isTrusted && e.target.id === 'canvas' && e.defaultPrevented) {
    window.keys.taken++;
    window.keys.frame = window.shown;
  }
});
// Resolves once the frame that takes the last key has been shown.
window.frameAfterKey = () => new Promise(resolve =>
  window.shown > window.keys.frame ? resolve() : window.frameWaiters.push(resolve));

// What the program hands to WebGL: buffer bytes and draw calls.
window.gl = {bytes: 0, draws: 0};
const gl2 = WebGL2RenderingContext.prototype;
// A size, an ArrayBuffer, or a view from srcOffset for length elements (0:
// to its end), as WebGL2 reads them.
function bytesOf(data, srcOffset, length) {
  if (typeof data === 'number') return data;
  if (ArrayBuffer.isView(data)) {
    const size = data.BYTES_PER_ELEMENT || 1;
    return (length ? length : data.byteLength / size - (srcOffset || 0)) * size;
  }
  return data ? data.byteLength : 0;
}
const bufferData = gl2.bufferData;
gl2.bufferData = function (target, data, usage, srcOffset, length) {
  window.gl.bytes += bytesOf(data, srcOffset, length);
  return bufferData.apply(this, arguments);
};
const bufferSubData = gl2.bufferSubData;
gl2.bufferSubData = function (target, offset, data, srcOffset, length) {
  window.gl.bytes += bytesOf(data, srcOffset, length);
  return bufferSubData.apply(this, arguments);
};
for (const name of ['drawArrays', 'drawElements', 'drawArraysInstanced', 'drawElementsInstanced', 'drawRangeElements']) {
  const draw = gl2[name];
  gl2[name] = function () {
    window.gl.draws++;
    return draw.apply(this, arguments);
  };
}
"""

COUNTERS = ("return [window.presents.length, window.shown, performance.now(), window.work.length,"
            " window.gl.bytes, window.gl.draws, window.keys.trusted, window.keys.taken]")


def native_fps(bench, zoom):
    out = subprocess.run(
        [bench, f"--benchmark_filter=^BM_Frame/zoomOuts:{zoom}/",
         "--benchmark_format=json"],
        capture_output=True, text=True, timeout=300, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return runs[0]["fps"]


def main_thread_seconds(browser):
    """The page's main thread: its CPU time, less what it spent on DevTools
    commands (this script's own)."""
    m = {e["name"]: e["value"] for e in browser.cdp("Performance.getMetrics")["metrics"]}
    return m["ThreadTime"] - m["DevToolsCommandDuration"]


def canvas_png(browser, page):
    x, y, w, h = page.canvas_rect()
    return base64.b64decode(browser.cdp("Page.captureScreenshot", {
        "format": "png", "clip": {"x": x, "y": y, "width": w, "height": h, "scale": 1}})["data"])


def select_centre_node(browser, page):
    """A left click on the canvas's centre, where the camera looks, selects
    the node there; the simulation then holds: two pictures a while apart
    are the same, and ten D move the node (ten A put it back)."""
    x, y, w, h = page.canvas_rect()
    page.press(1, x + w / 2, y + h / 2)
    time.sleep(SETTLE_SECONDS)
    held = canvas_png(browser, page)
    time.sleep(0.5)
    web.expect(canvas_png(browser, page) == held,
               "the picture still changes after the click: no node selected")
    page.key(*["d"] * 10, delay_ms=5)
    page.wait("the selected node moved by D", lambda: canvas_png(browser, page) != held, 10)
    page.key(*["a"] * 10, delay_ms=5)


def watch(browser, page, keys):
    """Frames, their costs and the keys taken over WATCH_SECONDS; with keys,
    one of them (in turn, whole rounds of them in all) sent after each frame
    that took the last."""
    cpu0 = main_thread_seconds(browser)
    n0, s0, t0, w0, b0, d0, k0, a0 = browser.js(COUNTERS)
    sent = 0
    if keys is None:
        time.sleep(WATCH_SECONDS)
    else:
        end = time.monotonic() + WATCH_SECONDS
        while time.monotonic() < end or sent % len(keys):
            browser.cdp("Runtime.evaluate", {"expression": "frameAfterKey()", "awaitPromise": True})
            web.Page.key(page, keys[sent % len(keys)], delay_ms=0)
            sent += 1
        # The last key shown, so that every key counted is in a frame counted.
        browser.cdp("Runtime.evaluate", {"expression": "frameAfterKey()", "awaitPromise": True})
    cpu1 = main_thread_seconds(browser)
    n1, s1, t1, w1, b1, d1, k1, a1 = browser.js(COUNTERS)
    if keys is not None:
        web.expect(k1 - k0 == sent and a1 - a0 == sent,
                   f"{sent} keys sent, {k1 - k0} reached the page, {a1 - a0} the program")
        web.expect(browser.js("return document.activeElement && document.activeElement.id") == "canvas",
                   "the canvas lost the focus")
    work = browser.js("return window.work.slice(arguments[0])", w0)
    seconds = (t1 - t0) / 1000.0
    drawn, shown = n1 - n0, s1 - s0
    return {
        "fps": drawn / seconds,
        "shown": shown / seconds,
        "program": statistics.median(work) if work else float("nan"),
        "cpu": 1000.0 * (cpu1 - cpu0) / shown if shown else float("nan"),
        "bytes": (b1 - b0) / drawn if drawn else float("nan"),
        "draws": (d1 - d0) / drawn if drawn else float("nan"),
        "keys": (a1 - a0) / shown if keys is not None and shown else None,
    }


def split_site(site):
    """A SITES entry: a build folder, with a query for its page after a "?"
    (fixed-way/?way=instanced)."""
    folder, _, query = site.partition("?")
    return folder, "?" + query if query else ""


def web_round(site):
    """(first frame in ms from navigation, the same on a repeat visit,
    {view: watch()'s measures})."""
    site_folder, query = split_site(site)

    def body(browser, site):
        browser.before_load(COUNT_PRESENTS)
        # Every visit from the server or the service worker, never from the
        # browser's own cache.
        browser.cdp("Network.enable")
        browser.cdp("Network.setCacheDisabled", {"cacheDisabled": True})
        browser.cdp("Performance.enable", {"timeDomain": "threadTicks"})
        page = web.Page(browser, site.url + "index.html" + query)
        page.wait("a first frame", lambda: browser.js("return window.shown") > 0, 60)
        first = browser.js("return window.firstShown")
        page.key("v")
        views, done = {}, 0
        for view, zoom, keys in VIEWS:
            page.key(*["f"] * (zoom - done), delay_ms=5)
            done = zoom
            if view.endswith("node moved every frame"):
                select_centre_node(browser, page)
            time.sleep(SETTLE_SECONDS)
            views[view] = watch(browser, page, keys)
        # A repeat visit, served by the service worker; from a blank page, as
        # the page in the whole-grid view would keep both cores busy while
        # the next one loads.
        page.wait("the service worker", lambda: browser.js("return !!navigator.serviceWorker.controller"), 30)
        browser.open("about:blank")
        time.sleep(SETTLE_SECONDS)
        web.Page(browser, site.url + "index.html" + query)
        page.wait("a first frame on the repeat visit", lambda: browser.js("return window.shown") > 0, 60)
        again = browser.js("return window.firstShown")
        return first, again, views

    return web.run_with_site(site_folder, body)


def sizes(site):
    site_folder, _ = split_site(site)
    out = {}
    for name in ("lattice-gas.wasm", "lattice-gas.js"):
        with open(os.path.join(site_folder, name), "rb") as f:
            data = f.read()
        out[name] = (len(data), len(gzip.compress(data, 9)))
    return out


def print_site(site, sites, native, measured, firsts, repeats, rounds):
    def med(s, view, key):
        return statistics.median(m[key] for m in measured[s][view])

    print(f"\n{site}:")
    header = (f"{'view':32}{'native':>8}{'web':>8}{'(shown)':>9}{'program':>9}{'CPU':>8}"
              f"{'KiB':>8}{'draws':>8}{'keys':>8}{'web/native':>11}")
    if site != sites[0]:
        header += f"{'fps / ref':>11}{'CPU / ref':>11}"
    print(header)
    print(f"{'':32}{'fps':>8}{'fps':>8}{'fps':>9}{'ms':>9}{'ms':>8}{'/frame':>8}{'/frame':>8}{'/frame':>8}")
    for view, zoom, keys in VIEWS:
        w, cpu = med(site, view, "fps"), med(site, view, "cpu")
        n = statistics.median(native[zoom]) if keys is None else None
        line = (f"{view:32}{n if n else float('nan'):8.1f}{w:8.1f}{med(site, view, 'shown'):9.1f}"
                f"{med(site, view, 'program'):9.2f}{cpu:8.2f}{med(site, view, 'bytes') / 1024:8.1f}"
                f"{med(site, view, 'draws'):8.1f}"
                + (f"{med(site, view, 'keys'):8.2f}" if keys else f"{'-':>8}")
                + (f"{w / n:11.2f}" if n else f"{'-':>11}"))
        if site != sites[0]:
            line += f"{w / med(sites[0], view, 'fps'):10.2f}x{cpu / med(sites[0], view, 'cpu'):10.2f}x"
        print(line.replace(" nan", "   -"))
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


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    bench, sites, rounds = argv[1], argv[2].split(","), int(argv[3])
    native = {zoom: [] for zoom in NATIVE_ZOOMS}
    measured = {site: {view: [] for view, _, _ in VIEWS} for site in sites}
    firsts = {site: [] for site in sites}
    repeats = {site: [] for site in sites}
    started = time.monotonic()
    for r in range(rounds):
        for zoom in NATIVE_ZOOMS:
            native[zoom].append(native_fps(bench, zoom))
        line = f"round {r + 1}: native fps " + " ".join(f"{native[z][-1]:.1f}" for z in NATIVE_ZOOMS)
        # A different order each round, so that neither build always runs
        # right after the native one.
        for site in sites[r % len(sites):] + sites[:r % len(sites)]:
            first, again, views = web_round(site)
            firsts[site].append(first)
            repeats[site].append(again)
            for view in views:
                measured[site][view].append(views[view])
            line += (f"; {site} fps " + " ".join(f"{views[v]['fps']:.1f}" for v, _, _ in VIEWS)
                     + ", CPU ms " + " ".join(f"{views[v]['cpu']:.1f}" for v, _, _ in VIEWS))
        print(line + f"; load {os.getloadavg()[0]:.1f}", flush=True)
    print(f"\n{rounds} round(s) in {time.monotonic() - started:.0f} s. Medians of the rounds. program: a frame's"
          " Clear to its Present; CPU: the page's main thread per frame shown; KiB and draws: handed to"
          " WebGL per frame drawn; keys: taken by the program per frame shown")
    for site in sites:
        print_site(site, sites, native, measured, firsts, repeats, rounds)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
