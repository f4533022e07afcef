#!/usr/bin/python3
"""The web edition's long run: the whole grid (25 x F) with particles, for
MINUTES (10 by default) of random input (keys, clicks that select and add
nodes, particles randomised, cleared, toggled and stepped), the canvas's
context lost every 15 to 25 s for 1 to 5 s (WEBGL_lose_context, as a browser
does it) while the input goes on. Reports the WebAssembly heap (the module's
memory) and the JS heap (after a collection) at the start, every minute and
at the end, and the frames per second before the first loss and after the
last, with the particles randomised and nothing selected.

    web_long_run.py SITE_FOLDER [MINUTES] [no-losses]

With no-losses the same input comes without any loss (the losses draw from
a random sequence of their own), to tell their part of any growth from the
input's. bench/e2e/web_long_run.sh runs it on build/web. Measure nothing
else at the same time: the two cores are shared with the software renderer.

The page is read through the DevTools protocol's Runtime.evaluate with the
same few expressions throughout: WebDriver's execute_script leaves about
100 bytes on the page's JS heap a call, which over ten minutes of input
would be most of the growth measured.
"""

import os
import random
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
import web_driver as web  # noqa: E402
from web_driver import e2e  # noqa: E402

ZOOM_OUTS = 25
SETTLE_SECONDS = 3.0
FPS_SECONDS = 20.0
LOSS_EVERY = (15.0, 25.0)
LOSS_LASTS = (1.0, 5.0)
INPUTS_PER_SECOND = 3.0
# Keys that keep the view where it is: no zoom, no pan (without a selection
# A, D, S, W move the camera), no Escape.
KEYS = ["v", "c", "Return", "Delete", "q"] + [str(d) for d in range(7)]

COUNT_FRAMES = """
window.framesAsked = 0;
const animationFrame = window.requestAnimationFrame;
window.requestAnimationFrame = function (...args) {
  window.framesAsked++;
  return animationFrame.apply(window, args);
};
"""


def value(browser, expression):
    return browser.cdp("Runtime.evaluate", {"expression": expression, "returnByValue": True})["result"].get("value")


def heaps(browser):
    """(WebAssembly memory, JS heap in use after a collection), in bytes."""
    browser.cdp("HeapProfiler.collectGarbage")
    used = browser.cdp("Runtime.getHeapUsage")["usedSize"]
    return value(browser, "wasmMemory.buffer.byteLength"), used


def fps(page):
    """Frames presented per second over FPS_SECONDS (each Present asks for
    one animation frame)."""
    n0, t0 = value(page.browser, "[window.framesAsked, performance.now()]")
    time.sleep(FPS_SECONDS)
    n1, t1 = value(page.browser, "[window.framesAsked, performance.now()]")
    return (n1 - n0) / ((t1 - t0) / 1000.0)


def context_event(page, kind):
    """Causes a loss or a restoration, and waits for its event."""
    before = value(page.browser, "graphics.events.length")
    value(page.browser, "graphics.lose.loseContext()" if kind == "lost" else "graphics.lose.restoreContext()")
    page.wait(f"the context {kind}", lambda: value(page.browser, "graphics.events.length") > before, 10)


def alive(page):
    code = value(page.browser, "document.body.dataset.exitCode ?? null")
    if code is not None:
        raise e2e.Failure(f"the program ended with exit code {code}")


def steady(page):
    """Nothing selected (a click in the canvas's corner, off the grid), the
    particles randomised, a moment to settle."""
    page.click(1, 2, 2)
    web.Page.key(page, "v")
    time.sleep(SETTLE_SECONDS)


def mib(n):
    return f"{n / 2 ** 20:.2f} MiB"


def run(site_folder, minutes, losses=True):
    def body(browser, site):
        browser.before_load(COUNT_FRAMES)
        page = web.WebApp(browser, site.url + "index.html")
        page.wait("a first frame", lambda: browser.js("return window.framesAsked") > 0, 60)
        page.key(*["f"] * ZOOM_OUTS, delay_ms=5)
        page.follow_context()
        steady(page)
        wasm0, js0 = heaps(browser)
        fps0 = fps(page)
        print(f"start: WebAssembly heap {mib(wasm0)}, JS heap {mib(js0)}, {fps0:.1f} frames per second", flush=True)

        rng = random.Random(25)
        loss_rng = random.Random(26)
        counts = {"keys": 0, "clicks": 0, "losses": 0}
        started = time.monotonic()
        end = started + minutes * 60.0
        next_loss = started + loss_rng.uniform(*LOSS_EVERY) if losses else float("inf")
        restore_at = None
        next_report = started + 60.0
        x, y, w, h = page.canvas_rect()
        while time.monotonic() < end:
            now = time.monotonic()
            if restore_at is None and now >= next_loss:
                context_event(page, "lost")
                counts["losses"] += 1
                restore_at = now + loss_rng.uniform(*LOSS_LASTS)
            elif restore_at is not None and now >= restore_at:
                context_event(page, "restored")
                restore_at = None
                next_loss = now + loss_rng.uniform(*LOSS_EVERY)
            if now >= next_report and restore_at is None:
                alive(page)
                wasm, js = heaps(browser)
                print(f"{(now - started) / 60:4.1f} min: WebAssembly heap {mib(wasm)}, JS heap {mib(js)}, "
                      f"{counts}", flush=True)
                next_report += 60.0
            if rng.random() < 0.6:
                web.Page.key(page, rng.choice(KEYS), delay_ms=0)
                counts["keys"] += 1
            else:
                page.press(1 if rng.random() < 0.7 else 3, x + rng.random() * w, y + rng.random() * h)
                counts["clicks"] += 1
            time.sleep(rng.expovariate(INPUTS_PER_SECOND))
        if restore_at is not None:
            context_event(page, "restored")
        alive(page)
        steady(page)
        wasm1, js1 = heaps(browser)
        fps1 = fps(page)
        print(f"end after {minutes} min: WebAssembly heap {mib(wasm1)}, JS heap {mib(js1)}, "
              f"{fps1:.1f} frames per second; {counts}")
        print(f"{'':28}{'start':>12}{'end':>12}{'change':>12}")
        print(f"{'WebAssembly heap':28}{mib(wasm0):>12}{mib(wasm1):>12}{(wasm1 - wasm0) / 2 ** 20:>+8.2f} MiB")
        print(f"{'JS heap, after collection':28}{mib(js0):>12}{mib(js1):>12}{(js1 - js0) / 2 ** 20:>+8.2f} MiB")
        print(f"{'frames per second':28}{fps0:>12.1f}{fps1:>12.1f}{fps1 / fps0 - 1:>+11.1%}")
        events = page.context_events()
        refused = [e for e in events if e[0] == "lost" and not e[2]]
        print(f"{sum(e[0] == 'lost' for e in events)} losses, {sum(e[0] == 'restored' for e in events)} "
              f"restorations, {len(refused)} not prevented")
        page.escape_and_expect_zero()

    web.run_with_site(site_folder, body)


def main(argv):
    if len(argv) not in (2, 3, 4) or (len(argv) == 4 and argv[3] != "no-losses"):
        print(__doc__)
        return 2
    site_folder = argv[1]
    minutes = float(argv[2]) if len(argv) >= 3 else 10.0
    losses = len(argv) < 4
    if not os.path.isfile(os.path.join(site_folder, "lattice-gas.wasm")):
        print(f"missing {site_folder}/lattice-gas.wasm: cmake --preset web && cmake --build --preset web")
        return 1
    print(f"{os.cpu_count()} cores, load {' '.join(f'{v:.2f}' for v in os.getloadavg())}", flush=True)
    try:
        run(site_folder, minutes, losses)
    except e2e.Failure as e:
        print(f"FAIL: {e}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
