#!/usr/bin/python3
"""The web edition on a touch screen and by its on-page buttons, its layout,
and its life offline, in headless Chromium (see web_driver.py):

    web_touch.py SITE_FOLDER SCENARIO

touch_* and buttons_* run the native end-to-end scenarios with fingers or the
page's buttons in place of the mouse and keys: a tap for a left click, a
press and hold for a right click, a pinch for a wheel notch, a button for
each key that has one (the keyboard for the rest).
"""

import math
import os
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_driver as web  # noqa: E402
from web_driver import Failure, expect, e2e  # noqa: E402

# The buttons and the keys they press, by the tests' key names.
BUTTONS = {"Return": "Step", "v": "Randomise", "c": "Clear", "Delete": "Delete node",
           "r": "Zoom in", "f": "Zoom out", "a": "Left", "d": "Right", "s": "Down", "w": "Up",
           **{str(d): f"Direction {d}" for d in range(6)}}
ALL_BUTTONS = [*BUTTONS.values(), "Full screen"]
KEY_HINTS = {"Return": "Enter", "Delete": "Delete"}
# One notch of the pinch: the fingers 100 px apart, then 115 (over 1.1 times).
NOTCH_FROM, NOTCH_TO = 100.0, 115.0
HOLD_SECONDS = 0.8
PHONE = (390, 844, 3)
WIDE = (1280, 800)
# A name for 127.0.0.1 that makes the page's origin an insecure one.
INSECURE_HOST = "lattice.test"


class ButtonApp(web.WebApp):
    """The page driven by its buttons, clicked with the mouse; keys without
    a button still come from the keyboard, so these also check that the
    keyboard works after a button."""

    def key(self, *names, delay_ms=30, repeat=False):
        for name in names:
            if name in BUTTONS and not repeat:
                self.alive()
                self.click_button(BUTTONS[name])
                time.sleep(delay_ms / 1000.0)
            else:
                super().key(name, delay_ms=delay_ms, repeat=repeat)

    def click_button(self, name):
        x, y = self.button_centre(name)
        self.mouse("mouseMoved", x, y)
        self.mouse("mousePressed", x, y, button="left", buttons=1, clickCount=1)
        self.mouse("mouseReleased", x, y, button="left", buttons=0, clickCount=1)


class TouchApp(ButtonApp):
    """The page on a touch screen: fingers for the mouse, buttons tapped."""

    def click_button(self, name):
        self.tap(*self.button_centre(name))

    def click(self, button, bx, by):
        self.alive()
        x, y = self.to_page(bx, by)
        if button == 1:
            self.tap(x, y)
        elif button == 3:
            self.hold(x, y, HOLD_SECONDS)
        elif button == 4:
            self.pinch(x, y, NOTCH_FROM, NOTCH_TO)
        elif button == 5:
            self.pinch(x, y, NOTCH_TO, NOTCH_FROM)
        else:
            raise Failure(f"no finger for button {button}")


def count_events(app):
    app.browser.js("window.seen = {mousedown: 0, touchdown: 0};"
                   "document.addEventListener('mousedown', () => window.seen.mousedown++, true);"
                   "document.addEventListener('pointerdown', e => {"
                   "  if (e.pointerType === 'touch') window.seen.touchdown++; }, true);")


def seen(app):
    return app.browser.js("return window.seen")


def scenario_tap_hold(app):
    """A tap on the centre node selects it and a tap on empty space clears the
    selection, each one touch and no mouse event made up from it; a press and
    hold on empty space shows a ring while the finger rests and adds a node
    there; a short touch there adds none."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    start = app.shot()
    count_events(app)
    cx, cy = camera.to_pixel(0, 0)
    app.tap(*app.to_page(cx, cy))
    app.wait_picture("the centre node selected by a tap", lambda p: e2e.red_at(p, cx, cy))
    empty = camera.to_pixel(2.5, 5 * math.sqrt(3) / 6)
    app.tap(*app.to_page(*empty))
    app.wait_picture("the selection cleared by a tap on empty space", lambda p: p.differing(start) == 0)
    counts = seen(app)
    expect(counts == {"mousedown": 0, "touchdown": 2}, f"two taps reached the page as {counts}")
    e2e.expect_unchanged(app, start, "the taps, afterwards",
                         ("a tap selecting the centre node", lambda: app.tap(*app.to_page(cx, cy)),
                          lambda p, ref: e2e.red_at(p, cx, cy)))
    app.tap(*app.to_page(*empty))
    app.wait_picture("the selection cleared again", lambda p: p.differing(start) == 0)

    # A hold: the ring shows where the node will land while the finger rests.
    x, y = app.to_page(*empty)
    app.touch("touchStart", (0, x, y))
    time.sleep(0.2)
    ring = app.browser.js("const r = document.querySelector('.hold-ring');"
                          "if (!r || r.hidden) return null; const b = r.getBoundingClientRect();"
                          "return [b.x + b.width / 2, b.y + b.height / 2];")
    expect(ring is not None, "no ring while the finger rests")
    expect(abs(ring[0] - x) < 2 and abs(ring[1] - y) < 2, f"the ring is at {ring}, the finger at {x}, {y}")
    time.sleep(HOLD_SECONDS - 0.2)
    app.touch("touchEnd")
    added = app.wait_picture("the node added by a press and hold", lambda p: p.differing(start) > 20)
    expect(app.browser.js("return document.querySelector('.hold-ring').hidden"), "the ring stays after the hold")
    e2e.expect_unchanged(app, added, "lifting the finger after the hold",
                         ("R zooming in", lambda: app.key("r")))
    app.escape_and_expect_zero()


def scenario_pinch(app):
    """From the same start, a pinch from 100 to 125 px gives the picture of
    two R presses, and then one from 125 to 100 px that of two F presses."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key("c")
    app.key("r", "r")
    zoomed = camera.copy().zoom(+1).zoom(+1)
    by_keys_in = app.wait_grid(zoomed, what="the grid after R R")
    app.key("f", "f")
    back = zoomed.copy().zoom(-1).zoom(-1)
    by_keys_out = app.wait_grid(back, what="the grid after R R F F")
    # The same start again: a fresh page.
    app.browser.driver.refresh()
    e2e.start(app, camera)
    app.key("c")
    cx, cy = app.to_page(e2e.BB_W / 2, e2e.BB_H / 2)
    app.pinch(cx, cy, 100, 125)
    app.wait_picture("the picture of R R after a pinch from 100 to 125 px",
                     lambda p: p.differing(by_keys_in) == 0)
    e2e.expect_unchanged(app, by_keys_in, "the time after the pinch",
                         ("a pinch from 125 to 100 px", lambda: app.pinch(cx, cy, 125, 100)))
    app.wait_picture("the picture of F F after a pinch from 125 to 100 px",
                     lambda p: p.differing(by_keys_out) == 0)
    e2e.expect_unchanged(app, by_keys_out, "the time after the pinch",
                         ("R zooming in", lambda: app.key("r")))
    app.escape_and_expect_zero()


def grid_pan(app, camera, removed, most=60):
    """How many D presses' pan the picture shows, from camera, once it stands
    still (the caller's next step changes it). The grid looks the same every
    few presses; the node missing from it tells them apart."""
    p = e2e.expect_frozen(app, 0.4)
    fits = []
    for n in range(most + 1):
        c = camera.copy()
        for _ in range(n):
            c.pan_x(+1)
        if not e2e.grid_mismatches(p, c, removed)[0]:
            fits.append(n)
    expect(len(fits) == 1, f"the picture fits pans of {fits} presses")
    return fits[0]


def hold_button(app, name, seconds):
    x, y = app.button_centre(name)
    app.mouse("mouseMoved", x, y)
    app.mouse("mousePressed", x, y, button="left", buttons=1, clickCount=1)
    time.sleep(seconds)
    app.mouse("mouseReleased", x, y, button="left", buttons=0, clickCount=1)


def scenario_button_repeat(app):
    """Right pressed once pans as D does; held for 1.5 s it keeps panning, as
    a held key repeats; with a node selected, held Right moves the node and
    not the view. The keyboard still reaches the program after each."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    # A landmark: the node at (10, 0), right of the centre, deleted.
    removed = [(10.0, 0.0)]
    app.click_plane(1, camera, *removed[0])
    app.wait_picture("the node selected", lambda p: p.count(e2e.is_red) > 0)
    app.key("Delete")
    app.wait_grid(camera, removed, "the grid without the node at (10, 0)")
    app.click_button("Right")
    expect(grid_pan(app, camera, removed) == 1, "one press of Right did not pan as one D does")
    camera.pan_x(+1)
    app.focus()
    hold_button(app, "Right", 1.5)
    n = grid_pan(app, camera, removed)
    print(f"Right held for 1.5 s panned as {n} presses")
    expect(n >= 10, f"Right held for 1.5 s panned as {n} presses, expected it to repeat")
    for _ in range(n):
        camera.pan_x(+1)
    app.focus()
    app.key("f")  # the keyboard, after the button
    camera.zoom(-1)
    app.wait_grid(camera, removed, "the grid zoomed out by the F key after the button")

    # A selected node moves right; the view stays.
    for _ in range(6):
        camera.zoom(+1)
    web.Page.key(app, *["r"] * 6)
    app.wait_grid(camera, removed, "the grid zoomed in")
    ppu = camera.pixels_per_unit()
    # The node on the x axis nearest the middle of the view (not the deleted one).
    nx = 5.0 * round(camera.x / 5.0)
    nx = nx if nx != removed[0][0] else nx + 5.0
    bx, by = camera.to_pixel(nx, 0.0)
    app.click(1, bx, by)
    app.wait_picture("the node selected", lambda p: e2e.red_at(p, bx, by, 2))
    hold_button(app, "Right", 1.5)
    p = e2e.expect_frozen(app, control=("R zooming in", lambda: web.Page.key(app, "r")))
    _, centre = p.blob(e2e.is_red)
    expect(centre is not None and centre[0] > bx + 0.5 * ppu,
           f"the node is at {centre}, not well right of {bx:.0f}, {by:.0f}")
    far = [b for b in e2e.grid_mismatches(p, camera, removed)[0]
           if math.hypot(b[1][0] - bx, b[1][1] - by) > 6 * ppu + (centre[0] - bx)]
    expect(not far, f"the view moved with the node: {far[:3]}")
    app.escape_and_expect_zero()


def scenario_keys_anywhere(app):
    """Keys typed with the focus elsewhere on the page still reach the
    program; a button reached with Tab works with Enter, once."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    x, y, w, h = app.browser.js("const r = document.getElementById('hint').getBoundingClientRect();"
                                "return [r.x, r.y, r.width, r.height];")
    app.press(1, x + 5, y + h / 2)
    active = app.browser.js("return document.activeElement.id")
    expect(active != "canvas", "clicking the text left the focus on the canvas; nothing to check")
    web.Page.key(app, "r")
    camera.zoom(+1)
    app.wait_grid(camera, what="the grid zoomed in by R typed with the focus on the page")
    app.focus()
    app.browser.js("document.querySelector('button[data-code=\"KeyF\"]').focus()")
    web.Page.key(app, "Return")
    camera.zoom(-1)
    app.wait_grid(camera, what="the grid zoomed out by Enter on the focused Zoom out button")
    e2e.expect_unchanged(app, app.shot(), "Enter on the button, afterwards",
                         ("R zooming in", lambda: web.Page.key(app, "r")))
    titles = app.browser.js("return [...document.querySelectorAll('#controls button')]"
                            ".map(b => [b.textContent.trim(), b.title, b.tabIndex])")
    for name, title, tab in titles:
        expect(tab >= 0, f"{name} cannot be reached with Tab")
        key = next((k for k, n in BUTTONS.items() if n == name), None)
        if key is not None:
            hint = KEY_HINTS.get(key, key.upper())
            expect(title == f"{name} ({hint})", f"{name}'s title is {title!r}")
    app.escape_and_expect_zero()


def layout(app):
    """Canvas, buttons, viewport and whether the page scrolls."""
    return app.browser.js("""
        const rect = e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; };
        const canvas = document.getElementById('canvas');
        const buttons = [...document.querySelectorAll('#controls button')].filter(b => !b.hidden);
        const c = canvas.getBoundingClientRect();
        const covered = [];
        for (const fx of [0.02, 0.5, 0.98]) for (const fy of [0.02, 0.5, 0.98]) {
          const e = document.elementFromPoint(c.x + fx * c.width, c.y + fy * c.height);
          if (e !== canvas) covered.push(e ? e.tagName + '#' + e.id : 'nothing');
        }
        const s = document.scrollingElement;
        return {canvas: rect(canvas), viewport: [innerWidth, innerHeight],
                buttons: buttons.map(b => [b.textContent.trim(), ...rect(b)]),
                aside: rect(document.querySelector('aside')), covered,
                scroll: [s.scrollWidth, s.scrollHeight, s.clientWidth, s.clientHeight]};""")


def expect_inside(what, r, viewport):
    x, y, w, h = r
    expect(x >= 0 and y >= 0 and x + w <= viewport[0] + 0.5 and y + h <= viewport[1] + 0.5,
           f"{what} at {[round(v) for v in r]} is not inside the {viewport[0]}x{viewport[1]} viewport")


def check_layout(app):
    got = layout(app)
    vw, vh = got["viewport"]
    expect_inside("the canvas", got["canvas"], got["viewport"])
    names = [b[0] for b in got["buttons"]]
    expect(names == ALL_BUTTONS, f"the buttons are {names}")
    for name, *r in got["buttons"]:
        expect_inside(f"the {name} button", r, got["viewport"])
    sw, sh, cw, ch = got["scroll"]
    expect(sw <= cw and sh <= ch, f"the page scrolls: {sw}x{sh} in {cw}x{ch}")
    expect(not got["covered"], f"the canvas is covered by {got['covered']}")
    return got


def scenario_layout_phone(app):
    """An upright phone (390 x 844 CSS px, 3 device pixels each): the canvas
    fills the width on top, every button lies inside the viewport below it,
    the page does not scroll and nothing covers the canvas."""
    app.wait_window()
    app.wait("a drawn canvas", lambda: app.browser.js(
        "return document.getElementById('canvas').width") > 0, 30)
    got = check_layout(app)
    x, y, w, h = got["canvas"]
    expect(w >= PHONE[0] - 2 * 12 - 1, f"the canvas is {w:.0f} px wide in a {PHONE[0]} px viewport")
    for name, bx, by, bw, bh in got["buttons"]:
        expect(by >= y + h, f"the {name} button is not below the canvas")
        expect(bh >= 36, f"the {name} button is {bh:.0f} px high: too small for a finger")
    drawn = app.browser.js("const c = document.getElementById('canvas'); return [c.width, c.height]")
    print(f"phone: canvas {w:.0f}x{h:.0f} CSS px, drawn at {drawn[0]}x{drawn[1]}; "
          f"lowest button ends at {max(b[2] + b[4] for b in got['buttons']):.0f} of {PHONE[1]}")
    app.escape_and_expect_zero()


def scenario_layout_wide(app):
    """A wide window (1280 x 800): the canvas as before, the largest 4:3 box
    beside a 300 px column, which holds the buttons and the keys table. Full
    screen goes to full screen and back."""
    app.wait_window()
    got = check_layout(app)
    x, y, w, h = got["canvas"]
    width = min(WIDE[0] - 300 - 3 * 12, (WIDE[1] - 2.2 * 15 - 2 * 12) * 4 / 3)
    expect(abs(w - width) <= 1 and abs(h - width * 3 / 4) <= 1,
           f"the canvas is {w:.0f}x{h:.0f}, as before it was {width:.0f}x{width * 3 / 4:.0f}")
    ax, ay, aw, ah = got["aside"]
    expect(ax >= x + w and abs(aw - 300) <= 1, f"the column is at {got['aside']}, not beside the canvas")
    for name, bx, *_ in got["buttons"]:
        expect(bx >= ax, f"the {name} button is not in the column")
    table = app.browser.js("return document.querySelector('aside table').getBoundingClientRect().x")
    expect(table >= ax, "the keys table is not in the column")
    # Full screen, for a projector, and back; the canvas keeps the keyboard.
    for state in (True, False):
        app.click_button("Full screen")
        app.wait(f"full screen {'on' if state else 'off'}",
                 lambda: app.browser.js("return !!document.fullscreenElement") == state, 10)
        app.focus()
    app.escape_and_expect_zero()


# ---------------------------------------------------------------- offline


def wait_controlled(page, timeout=30):
    page.wait("the service worker controlling the page",
              lambda: page.browser.js("return !!navigator.serviceWorker.controller"), timeout)


def cache_names(browser):
    return browser.driver.execute_async_script(
        "const done = arguments[arguments.length - 1]; caches.keys().then(done, () => done(null));")


def version(site_folder):
    with open(os.path.join(site_folder, "service-worker.js")) as f:
        for line in f:
            if line.startswith("const VERSION = "):
                return line.split("'")[1]
    raise Failure("service-worker.js names no VERSION")


def offline(site_folder):
    """Visited once, the page loads and runs with the server gone."""

    def body(browser, site):
        browser.cdp("Network.enable")
        # Else the reload may come from the ordinary HTTP cache.
        browser.cdp("Network.setCacheDisabled", {"cacheDisabled": True})
        page = web.WebApp(browser, site.url + "index.html")
        page.wait_window()
        wait_controlled(page)
        site.stop()
        expect(not web_reachable(site.url), "the server still answers")
        page.started = time.monotonic()
        browser.driver.refresh()
        page.wait_window()
        page.wait_grid(e2e.Camera(), what="the start grid, offline")
        print(f"offline: grid drawn {time.monotonic() - page.started:.2f} s after the reload")
        page.escape_and_expect_zero()

    web.run_with_site(site_folder, body, viewport=web.VIEWPORT)


def web_reachable(url):
    import urllib.request
    try:
        urllib.request.urlopen(url, timeout=2)
        return True
    except OSError:
        return False


def installable(site_folder):
    """Chromium finds nothing that keeps the page from being installed."""

    def body(browser, site):
        page = web.WebApp(browser, site.url + "index.html")
        page.wait_window()
        wait_controlled(page)
        errors = browser.cdp("Page.getInstallabilityErrors")["installabilityErrors"]
        expect(errors == [], f"installability errors: {errors}")
        manifest = browser.cdp("Page.getAppManifest")
        expect(not manifest.get("errors"), f"manifest errors: {manifest.get('errors')}")
        page.escape_and_expect_zero()

    web.run_with_site(site_folder, body)


def insecure_origin(site_folder):
    """From an origin that is not secure no service worker can register: the
    page runs as it always did, and says nothing about it."""

    def body(browser, site):
        page = web.WebApp(browser, site.url.replace("127.0.0.1", INSECURE_HOST) + "index.html")
        page.wait_window()
        expect(browser.js("return window.isSecureContext") is False, "the page counts as a secure context")
        page.wait_grid(e2e.Camera(), what="the start grid")
        time.sleep(1.0)  # past the page's load event, where it would register the worker
        expect(page.status() == "", f"the page says {page.status()!r}")
        errors = [line for line in browser.console() if line.startswith("SEVERE")]
        expect(not errors, f"the page logged errors: {errors[:3]}")
        page.escape_and_expect_zero()

    web.run_with_site(site_folder, body, [f"--host-resolver-rules=MAP {INSECURE_HOST} 127.0.0.1"])


def new_version(site_folder):
    """A new release's service worker takes over on the next visit, and its
    cache replaces the old one's."""
    with tempfile.TemporaryDirectory() as folder:
        site_copy = os.path.join(folder, "site")
        os.mkdir(site_copy)
        for name in os.listdir(site_folder):
            path = os.path.join(site_folder, name)
            if os.path.isfile(path):
                shutil.copy(path, site_copy)
        old = version(site_copy)

        def body(browser, site):
            page = web.WebApp(browser, site.url + "index.html")
            page.wait_window()
            wait_controlled(page)
            page.wait("the first cache", lambda: cache_names(browser) == [f"lattice-gas-{old}"], 10)
            worker = os.path.join(site_copy, "service-worker.js")
            with open(worker) as f:
                text = f.read()
            with open(worker, "w") as f:
                f.write(text.replace(f"const VERSION = '{old}';", "const VERSION = 'next';"))
            page.escape_and_expect_zero()
            # The next visit, to a page of the site that does not run the
            # program: while the program draws, the browser's check for a new
            # worker was measured to take anything from 2 to 36 s; without
            # it, about one second after the load, as browsers do it.
            browser.driver.get(site.url + "manifest.webmanifest")
            page.wait("the new version's cache alone", lambda: cache_names(browser) == ["lattice-gas-next"], 30)

        web.run_with_site(site_copy, body)


SCENARIOS = {"tap_hold": scenario_tap_hold, "pinch": scenario_pinch, "button_repeat": scenario_button_repeat,
             "keys_anywhere": scenario_keys_anywhere, "layout_phone": scenario_layout_phone,
             "layout_wide": scenario_layout_wide}
SITE_SCENARIOS = {"offline": offline, "installable": installable, "new_version": new_version,
                  "insecure_origin": insecure_origin}
NATIVE = {"touch_select": "select", "touch_delete_add": "delete_add", "touch_camera": "camera",
          "buttons_camera": "camera", "buttons_edit": "edit", "buttons_particles": "particles",
          "buttons_delete_add": "delete_add"}
TOUCH = {"tap_hold", "pinch", "layout_phone", "touch_select", "touch_delete_add", "touch_camera"}
VIEWPORTS = {"layout_phone": (*PHONE, True), "layout_wide": (*WIDE, 1, False)}


def main(argv):
    names = [*SCENARIOS, *SITE_SCENARIOS, *NATIVE]
    if len(argv) != 3 or argv[2] not in names:
        print(__doc__)
        print("scenarios:", " ".join(names))
        return 2
    folder, name = argv[1], argv[2]
    if not os.path.isfile(os.path.join(folder, "lattice-gas.wasm")):
        # A plain ctest of the native build: skipped (ctest's SKIP_RETURN_CODE).
        print(f"SKIPPED: no web build in {folder}: cmake --preset web && cmake --build --preset web")
        return 77
    t0 = time.monotonic()
    app = None

    def body(browser, site):
        nonlocal app
        width, height, scale, mobile = VIEWPORTS.get(name, (*web.VIEWPORT, 1, name in TOUCH))
        browser.set_viewport(width, height, scale, mobile)
        if name in TOUCH:
            browser.enable_touch()
        kind = TouchApp if name in TOUCH else ButtonApp
        app = kind(browser, site.url + "index.html")
        (SCENARIOS.get(name) or e2e.SCENARIOS[NATIVE.get(name, name)])(app)

    try:
        if name in SITE_SCENARIOS:
            SITE_SCENARIOS[name](folder)
        else:
            web.run_with_site(folder, body)
    except Failure as e:
        print(f"FAIL [web {name}]: {e}")
        if app is not None and app.last is not None:
            path = os.path.abspath(f"web-touch-{name}-last.ppm")
            app.save(path)
            print(f"last screenshot: {path}")
        return 1
    print(f"ok [web {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
