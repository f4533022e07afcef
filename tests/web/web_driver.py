"""The web edition in a real browser, for the tests and the benchmark: the
static site served on 127.0.0.1 with Python's http.server, headless Chromium
with software WebGL (SwiftShader) driven through the DevTools protocol by
Debian's Selenium and chromium-driver. Input goes through the browser's own
input pipeline (Input.dispatchKeyEvent, Input.dispatchMouseEvent), pictures are
the page's screenshots of the canvas.

WebApp mirrors the native end-to-end tests' App (tests/e2e/lattice_e2e.py), so
their scenarios run on the page unchanged: back-buffer pixels are scaled to
the canvas as shown, and wheel "buttons" 4 and 5 are wheel notches.
"""

import base64
import functools
import http.server
import os
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import lattice_e2e as e2e  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.common.exceptions import WebDriverException  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# Software WebGL2 without a GPU or a display.
SWIFTSHADER = ["--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader"]
# The page lays the canvas out at exactly the back buffer's size in this viewport.
VIEWPORT = (1400, 825)

Failure = e2e.Failure
expect = e2e.expect


class Site:
    """A folder served on 127.0.0.1 on a free port, until stop()."""

    def __init__(self, folder):
        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm"}

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.url = f"http://127.0.0.1:{self.server.server_port}/"

    def stop(self):
        self.server.shutdown()
        self.server.server_close()
        self.thread.join(timeout=10)


class Browser:
    """Headless Chromium with software WebGL, one tab."""

    def __init__(self, extra_flags=(), viewport=VIEWPORT):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage", *SWIFTSHADER, *extra_flags]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        try:
            self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        except WebDriverException as e:
            raise Failure(f"could not start Chromium: {e.msg}")
        self.driver.set_page_load_timeout(30)
        self.driver.set_script_timeout(30)
        self.set_viewport(*viewport)

    def cdp(self, command, params=None):
        return self.driver.execute_cdp_cmd(command, params or {})

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def set_viewport(self, width, height, scale=1, mobile=False):
        self.cdp("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile})

    def enable_touch(self):
        """A touch screen: Input.dispatchTouchEvent's points reach the page as
        touch pointers."""
        self.cdp("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})

    def before_load(self, script):
        """Runs script in every page before the page's own scripts."""
        self.cdp("Page.addScriptToEvaluateOnNewDocument", {"source": script})

    def open(self, url):
        self.driver.get(url)

    def console(self):
        return [f"{e['level']}: {e['message']}" for e in self.driver.get_log("browser")]

    def quit(self):
        try:
            self.driver.quit()
        except WebDriverException:
            pass


# DOM key, code, Windows virtual-key code and typed text of the keys the tests
# press, by their xdotool names.
_NAMED_KEYS = {
    "Return": ("Enter", "Enter", 13, "\r"),
    "Escape": ("Escape", "Escape", 27, ""),
    "Delete": ("Delete", "Delete", 46, ""),
    "space": (" ", "Space", 32, " "),
    "shift": ("Shift", "ShiftLeft", 16, ""),
    "ctrl": ("Control", "ControlLeft", 17, ""),
    "Left": ("ArrowLeft", "ArrowLeft", 37, ""),
    "Up": ("ArrowUp", "ArrowUp", 38, ""),
    "Right": ("ArrowRight", "ArrowRight", 39, ""),
    "Down": ("ArrowDown", "ArrowDown", 40, ""),
    "F1": ("F1", "F1", 112, ""),
}


def key_event(name):
    """(key, code, virtual-key code, text, location) of a key by its xdotool name."""
    if name in _NAMED_KEYS:
        key, code, vk, text = _NAMED_KEYS[name]
        return key, code, vk, text, 1 if name in ("shift", "ctrl") else 0
    if name.startswith("KP_") and name[3:].isdigit():
        return name[3:], f"Numpad{name[3:]}", 96 + int(name[3:]), name[3:], 3
    if len(name) == 1 and name.isalpha():
        return name, f"Key{name.upper()}", ord(name.upper()), name, 0
    if len(name) == 1 and name.isdigit():
        return name, f"Digit{name}", ord(name), name, 0
    raise Failure(f"no key named {name}")


class Page:
    """The program's page in a browser: input, pictures and what the page reports."""

    def __init__(self, browser, url):
        self.browser = browser
        self.started = time.monotonic()
        browser.open(url)
        self.last = None

    # -- what the page says

    def exit_code(self):
        code = self.browser.js("return document.body.dataset.exitCode ?? null")
        return None if code is None else int(code)

    def status(self):
        return self.browser.js("return document.getElementById('status').textContent")

    def box(self):
        """Caption and text of an open message box, or None."""
        return self.browser.js(
            "const d = document.querySelector('dialog[open]');"
            "return d ? [d.querySelector('h2').textContent, d.querySelector('p').textContent] : null")

    def wait(self, what, predicate, timeout=e2e.PICTURE_TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise Failure(f"within {timeout} s the page never showed {what}")
            time.sleep(0.05)

    def wait_exit(self, timeout=e2e.EXIT_TIMEOUT):
        self.wait("that the program ended", lambda: self.exit_code() is not None, timeout)
        return self.exit_code()

    def alive(self):
        code = self.exit_code()
        if code is not None:
            raise Failure(f"the program ended unexpectedly with exit code {code}")

    # -- the canvas

    def canvas_rect(self):
        r = self.browser.js("const r = document.getElementById('canvas').getBoundingClientRect();"
                            "return [r.x, r.y, r.width, r.height];")
        return tuple(float(v) for v in r)

    def shot(self):
        x, y, w, h = self.canvas_rect()
        data = self.browser.cdp("Page.captureScreenshot", {
            "format": "png", "clip": {"x": x, "y": y, "width": w, "height": h, "scale": 1}})["data"]
        self.last = e2e.Picture(png_to_ppm(base64.b64decode(data)))
        return self.last

    def to_page(self, bx, by):
        """Back-buffer pixel -> page coordinates on the canvas as shown."""
        x, y, w, h = self.canvas_rect()
        return x + bx * w / e2e.BB_W, y + by * h / e2e.BB_H

    # -- the graphics context, lost and restored as a browser does it

    def follow_context(self):
        """From now on the page notes its canvas's context losses and
        restorations, with their times, and can cause them through
        WEBGL_lose_context. canvas.getContext returns the program's own
        context, so this must come after the program made it; the extension
        object stays usable across restorations."""
        self.browser.js("""
            const canvas = document.getElementById('canvas');
            const gl = canvas.getContext('webgl2');
            window.graphics = {lose: gl.getExtension('WEBGL_lose_context'), events: []};
            canvas.addEventListener('webglcontextlost', e =>
                graphics.events.push(['lost', performance.now(), e.defaultPrevented]));
            canvas.addEventListener('webglcontextrestored', () =>
                graphics.events.push(['restored', performance.now()]));""")
        expect(self.browser.js("return !!graphics.lose"), "the context has no WEBGL_lose_context")

    def context_events(self):
        """[kind, page time in ms, ...] of every loss and restoration so far."""
        return self.browser.js("return graphics.events")

    def _context_event(self, kind, before):
        def seen():
            events = self.context_events()
            return len(events) > before and events[-1][0] == kind and events[-1]
        return self.wait(f"the context {kind}", seen, 10)

    def lose_context(self):
        """Loses the context and waits for the page's webglcontextlost."""
        before = len(self.context_events())
        self.browser.js("graphics.lose.loseContext()")
        return self._context_event("lost", before)

    def restore_context(self):
        """Has the browser give the context back (which it does only if the
        loss's event was prevented) and waits for webglcontextrestored."""
        before = len(self.context_events())
        self.browser.js("graphics.lose.restoreContext()")
        return self._context_event("restored", before)

    def context_lost(self):
        return self.browser.js("return document.getElementById('canvas').getContext('webgl2').isContextLost()")

    # -- input, through the browser's input pipeline

    def key(self, *names, delay_ms=30, repeat=False):
        for name in names:
            key, code, vk, text, location = key_event(name)
            down = {"type": "keyDown" if text else "rawKeyDown", "key": key, "code": code,
                    "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk, "location": location,
                    "autoRepeat": repeat}
            if text:
                down["text"] = text
                down["unmodifiedText"] = text
            self.browser.cdp("Input.dispatchKeyEvent", down)
            self.browser.cdp("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                                         "windowsVirtualKeyCode": vk, "location": location})
            time.sleep(delay_ms / 1000.0)

    def mouse(self, kind, x, y, **extra):
        self.browser.cdp("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, **extra})

    def press(self, button, x, y):
        names = {1: ("left", 1), 3: ("right", 2), 2: ("middle", 4)}
        name, bit = names[button]
        self.mouse("mouseMoved", x, y)
        self.mouse("mousePressed", x, y, button=name, buttons=bit, clickCount=1)
        self.mouse("mouseReleased", x, y, button=name, buttons=0, clickCount=1)

    def wheel(self, x, y, delta_y):
        self.mouse("mouseMoved", x, y)
        self.mouse("mouseWheel", x, y, deltaX=0, deltaY=delta_y)

    # -- fingers (the browser must have touch enabled) and the page's buttons

    def touch(self, kind, *points):
        """touchStart/touchMove with every finger down as (id, x, y); touchEnd
        and touchCancel lift them all."""
        self.browser.cdp("Input.dispatchTouchEvent", {
            "type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, x, y in points]})

    def tap(self, x, y):
        self.touch("touchStart", (0, x, y))
        self.touch("touchEnd")

    def hold(self, x, y, seconds=0.8):
        self.touch("touchStart", (0, x, y))
        time.sleep(seconds)
        self.touch("touchEnd")

    def pinch(self, x, y, start, end, steps=10):
        """Two fingers level with (x, y), moved from start to end pixels apart."""
        self.touch("touchStart", (0, x - start / 2, y), (1, x + start / 2, y))
        for i in range(1, steps + 1):
            d = start + (end - start) * i / steps
            self.touch("touchMove", (0, x - d / 2, y), (1, x + d / 2, y))
        self.touch("touchEnd")

    def button_rect(self, name):
        """The page rectangle of the visible button with that accessible name."""
        r = self.browser.js(
            "const b = [...document.querySelectorAll('button')].find(b => !b.hidden &&"
            " (b.getAttribute('aria-label') || b.textContent.trim()) === arguments[0]);"
            "if (!b) return null; const r = b.getBoundingClientRect(); return [r.x, r.y, r.width, r.height];",
            name)
        if r is None:
            raise Failure(f"no button named {name!r}")
        return tuple(float(v) for v in r)

    def button_centre(self, name):
        x, y, w, h = self.button_rect(name)
        return x + w / 2, y + h / 2


def share_within(a, b, levels):
    """The share of pixels of two pictures of one size that lie within levels
    in every channel. Equal rows are skipped whole: two pictures of one
    scene mostly agree exactly."""
    expect((a.w, a.h) == (b.w, b.h), f"pictures of {a.w}x{a.h} and {b.w}x{b.h}")
    row = 3 * a.w
    far = 0
    for start in range(0, len(a.data), row):
        ra, rb = a.data[start:start + row], b.data[start:start + row]
        if ra == rb:
            continue
        far += sum(1 for i in range(0, row, 3)
                   if max(abs(ra[i] - rb[i]), abs(ra[i + 1] - rb[i + 1]), abs(ra[i + 2] - rb[i + 2])) > levels)
    return 1.0 - far / (a.w * a.h)


def png_to_ppm(png):
    r = subprocess.run(["convert", "png:-", "-alpha", "off", "-depth", "8", "ppm:-"],
                       input=png, capture_output=True, timeout=30)
    if r.returncode != 0:
        raise Failure(f"convert failed: {r.stderr.decode(errors='replace')}")
    return r.stdout


class WebApp(Page):
    """The program's page with the native end-to-end tests' App interface."""

    build = "web"

    def __init__(self, browser, url):
        super().__init__(browser, url)
        self.wid = "canvas"

    def wait_window(self):
        self.wait("the canvas", lambda: self.browser.js("return document.title") == e2e.TITLE, 30)
        return self.wid

    def wait_picture(self, what, predicate, timeout=e2e.PICTURE_TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            self.alive()
            p = self.shot()
            if predicate(p):
                return p
            if time.monotonic() > deadline:
                raise Failure(f"within {timeout} s the picture never showed {what}")
            time.sleep(0.05)

    def wait_grid(self, camera, removed=(), what="the grid"):
        return self.wait_picture(f"{what} (eye {camera.x:.3f} {camera.y:.3f} {camera.z:.3f})",
                                 lambda p: not e2e.grid_mismatches(p, camera, removed)[0])

    def focus(self):
        # The page gives the canvas the focus when the program shows its
        # window; a person's keys then go to it.
        active = self.browser.js("return document.activeElement && document.activeElement.id")
        expect(active == "canvas", f"the focus is on {active!r}, not on the canvas")

    def key(self, *names, delay_ms=30, repeat=False):
        self.alive()
        super().key(*names, delay_ms=delay_ms, repeat=repeat)

    def click(self, button, bx, by):
        self.alive()
        x, y = self.to_page(bx, by)
        if button in (4, 5):
            # One notch of the wheel, away from the user (4) or towards (5).
            self.wheel(x, y, -100 if button == 4 else 100)
        else:
            self.press(button, x, y)

    def click_plane(self, button, camera, x, y):
        bx, by = camera.to_pixel(x, y)
        self.click(button, bx, by)

    def size(self):
        if self.last is None:
            self.shot()
        return self.last.w, self.last.h

    def save(self, path):
        if self.last is not None:
            with open(path, "wb") as f:
                f.write(self.last.ppm)

    def stderr_text(self):
        return "\n".join(self.browser.console())

    def escape_and_expect_zero(self):
        self.key("Escape")
        code = self.wait_exit()
        if code != 0:
            raise Failure(f"Escape: exit code {code}, expected 0")
        status = self.status()
        expect("ended with exit code 0" in status, f"the page says {status!r}")


def run_with_site(folder, body, flags=(), viewport=VIEWPORT):
    """Serves folder, starts a browser, runs body(browser, site) and always
    stops both."""
    site = Site(folder)
    browser = None
    try:
        browser = Browser(flags, viewport)
        return body(browser, site)
    finally:
        if browser is not None:
            browser.quit()
        site.stop()
