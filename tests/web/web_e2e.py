#!/usr/bin/python3
"""The web edition end to end, in headless Chromium with real input events and
screenshots (see web_driver.py):

    web_e2e.py SITE_FOLDER SCENARIO

The scenarios of the native end-to-end tests run unchanged on the page;
startup, repeat, no_webgl, storm, storm_lost, ways and ways_instanced are the
page's own.
"""

import os
import random
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_driver as web  # noqa: E402
from web_driver import Failure, expect, e2e  # noqa: E402


def scenario_startup(app):
    """The page: its title, the canvas 4:3 with the keyboard focus, the keys
    table, the start grid grey on black without particles, no context menu on
    a right click; Escape ends the program and the page says so."""
    app.wait_window()
    camera = e2e.Camera()
    p = app.wait_grid(camera, what="the start grid")
    print(f"grid visible {time.monotonic() - app.started:.2f} s after the page was opened")
    x, y, w, h = app.canvas_rect()
    expect(abs(w * 3 - h * 4) <= 4, f"the canvas is {w}x{h}, not 4:3")
    expect((p.w, p.h) == (e2e.BB_W, e2e.BB_H), f"canvas shown at {p.w}x{p.h}, expected 1024x768 in this window")
    app.focus()
    cx, cy = camera.to_pixel(0, 0)
    expect(any(e2e.is_grey(q) for q in p.around(cx, cy, 1)), "no grey node at the centre of the view")
    black = p.count(e2e.is_black) / (p.w * p.h)
    expect(0.6 < black < 0.97, f"black part of the picture {black:.2f}")
    blue, red = e2e.particles(p)
    expect(blue == 0 and red == 0, f"particles before any were made: {blue} blue, {red} red pixels")
    table = app.browser.js("return document.querySelector('aside table').innerText")
    for word in ("Esc", "Delete", "wheel", "right click"):
        expect(word in table, f"the keys table lacks {word!r}")
    # A right click on empty plane adds a node and opens no menu.
    app.browser.js("window.menuShown = null;"
                   "document.addEventListener('contextmenu', e => { window.menuShown = !e.defaultPrevented; });")
    app.click_plane(3, camera, 2.5, 5 * 3 ** 0.5 / 6)
    shown = app.wait("the context menu event", lambda: app.browser.js("return window.menuShown") is not None, 5)
    expect(app.browser.js("return window.menuShown") is False, f"the browser's context menu opened ({shown})")
    app.wait_picture("the added node", lambda q: q.differing(p) > 20)
    app.escape_and_expect_zero()


def scenario_no_webgl(app):
    """Without WebGL the page shows the start-up failure in a box captioned
    Error; the program waits for it and ends with 1 once it is closed."""
    box = app.wait("the message box", app.box, 30)
    expect(box == ["Error", "Failed: Direct3DCreate9 (in InitD3D)"], f"the box says {box}")
    time.sleep(0.5)
    app.alive()  # still waiting for the user
    # The box holds the focus: Enter presses its OK button.
    active = app.browser.js("return document.activeElement.tagName + ':' + document.activeElement.textContent")
    expect(active == "BUTTON:OK", f"the focus is on {active}, not on the box's OK button")
    web.Page.key(app, "Return")
    code = app.wait_exit()
    expect(code == 1, f"exit code {code} after the box was closed, expected 1")
    expect(app.box() is None, "the box is still open")


def scenario_repeat(app):
    """A held key repeats: D held down with a node selected (one press, then
    the browser's auto-repeats) moves the node right by 0.05 a repeat, half a
    unit in all, as ten presses do."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key(*["r"] * 5)
    for _ in range(5):
        camera.zoom(+1)
    app.wait_grid(camera, what="the grid zoomed in")
    cx, cy = camera.to_pixel(0, 0)
    app.click(1, cx, cy)
    app.wait_picture("the selected centre node in red", lambda p: e2e.red_at(p, cx, cy, 2))
    key, code, vk, text, _ = web.key_event("d")
    down = {"key": key, "code": code, "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk,
            "text": text, "unmodifiedText": text}
    for repeat in [False] + [True] * 9:
        app.browser.cdp("Input.dispatchKeyEvent", {"type": "keyDown", "autoRepeat": repeat, **down})
    app.browser.cdp("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                                "windowsVirtualKeyCode": vk})
    mx, my = camera.to_pixel(0.5, 0.0)
    app.wait_picture("the selected node 0.5 to the right",
                     lambda q: e2e.red_at(q, mx, my, 2) and not e2e.red_at(q, cx, cy, 2))
    app.escape_and_expect_zero()


STORM_KEYS = (["Return", "Delete", "q", "c", "v", "r", "f", "a", "d", "s", "w"] * 3
              + [str(d) for d in range(10)] + ["a", "d", "s", "w"] * 4
              + ["shift", "ctrl", "Left", "Right", "Up", "Down", "space", "x", "KP_0", "F1"])
# Each input waits for the page to take it, and the page draws in software,
# slowly in a view full of particles: the storm stops at whichever bound
# comes first.
STORM_INPUTS = 400
STORM_SECONDS = 60
STORM_RESIZE_EVERY = 100
STORM_VIEWPORTS = [(900, 620), (1400, 825), (700, 900), (1280, 700)]


def scenario_storm(app, between=None):
    """Clicks land in the canvas's displayed pixels whatever its size; then a
    storm of random keys, auto-repeats, clicks and wheel turns (as the native
    soak sends) with fingers among them (taps, holds, pinches) while the browser window is resized.
    Afterwards the program still answers and draws, and Escape ends it with 0.
    between(app, i), if given, runs before the storm's input i and once
    after its last."""
    app.browser.enable_touch()
    camera = e2e.Camera()
    e2e.start(app, camera)
    # Nearer, so that a node is more than a few pixels wide on a small canvas.
    app.key(*["r"] * 5)
    for _ in range(5):
        camera.zoom(+1)
    # A smaller window: the canvas shrinks, and a click on the centre node as
    # shown still selects it.
    app.browser.set_viewport(900, 620)
    app.wait("the canvas shrunk", lambda: app.canvas_rect()[2] < 700, 10)
    cx, cy = camera.to_pixel(0, 0)
    app.wait_picture("the grid on the smaller canvas", lambda p: not e2e.grid_mismatches(p, camera)[0])
    app.click(1, cx, cy)
    app.wait_picture("the selected centre node in red", lambda p: e2e.red_at(p, cx, cy, 2))
    # The drawing buffer is the back buffer, whatever size the page shows
    # it at, as Direct3D stretches the back buffer onto a window.
    drawn = app.browser.js("const c = document.getElementById('canvas'); return [c.width, c.height]")
    expect(drawn == [e2e.BB_W, e2e.BB_H],
           f"the drawing buffer is {drawn}, not the back buffer's {e2e.BB_W}x{e2e.BB_H}")

    rng = random.Random(13)
    counts = {"keys": 0, "repeats": 0, "clicks": 0, "wheel": 0, "taps": 0, "holds": 0, "pinches": 0,
              "resizes": 0}
    x, y, w, h = app.canvas_rect()
    started = time.monotonic()
    for i in range(STORM_INPUTS):
        if between is not None:
            between(app, i)
        if i % STORM_RESIZE_EVERY == STORM_RESIZE_EVERY - 1:
            app.browser.set_viewport(*STORM_VIEWPORTS[(i // STORM_RESIZE_EVERY) % len(STORM_VIEWPORTS)])
            x, y, w, h = app.canvas_rect()
            counts["resizes"] += 1
        if time.monotonic() - started > STORM_SECONDS:
            break
        pick = rng.random()
        if pick < 0.5:
            repeat = rng.random() < 0.2
            app.key(rng.choice(STORM_KEYS), delay_ms=0, repeat=repeat)
            counts["repeats" if repeat else "keys"] += 1
        elif pick < 0.75:
            px, py = x + rng.random() * w, y + rng.random() * h
            app.press(1 if rng.random() < 0.6 else 3, px, py)
            counts["clicks"] += 1
        elif pick < 0.85:
            app.wheel(x + rng.random() * w, y + rng.random() * h, rng.choice((-100, 100, -300, 40)))
            counts["wheel"] += 1
        else:
            touch_storm(app, rng, (x, y, w, h), counts)
    if between is not None:
        between(app, None)
    print(f"storm: {counts} in {time.monotonic() - started:.1f} s")
    app.alive()
    # Still answering and drawing: with the particles cleared, a node added
    # in the middle shows, and a zoom step changes the picture.
    app.key("c")
    before = find_added_node(app)
    app.key("f")
    app.wait_picture("the picture change after zooming out", lambda p: p.differing(before) > 100)
    errors = [line for line in app.browser.console() if line.startswith("SEVERE") or "WebGL" in line]
    expect(not errors, f"the page logged errors: {errors[:3]}")
    app.escape_and_expect_zero()


STORM_LOSS_EVERY = 23


def scenario_storm_lost(app):
    """The storm, with the canvas's context lost and given back (as a browser
    does, by WEBGL_lose_context) every few inputs, the storm going on during
    each loss: afterwards the same as the storm. After the storm's first
    steps, so that the program's context exists when the page is told to
    follow it."""
    state = {"lost": False, "losses": 0}

    def between(app, i):
        if i == 0:
            app.follow_context()
        if i is None or i % STORM_LOSS_EVERY == STORM_LOSS_EVERY - 1:
            if state["lost"]:
                app.restore_context()
                state["lost"] = False
            elif i is not None:
                app.lose_context()
                state["lost"] = True
                state["losses"] += 1
        if i is None:
            print(f"storm: {state['losses']} losses, each given back")

    scenario_storm(app, between)


def touch_storm(app, rng, rect, counts):
    """A tap, a hold with a key typed while the finger rests, or a pinch
    (near the canvas's edge, a finger lands off it)."""
    x, y, w, h = rect
    px, py = x + rng.random() * w, y + rng.random() * h
    pick = rng.random()
    if pick < 0.5:
        app.tap(px, py)
        counts["taps"] += 1
    elif pick < 0.7:
        app.touch("touchStart", (0, px, py))
        app.key(rng.choice(STORM_KEYS), delay_ms=0)
        time.sleep(0.55)
        app.touch("touchEnd")
        counts["holds"] += 1
    else:
        # Up to a dozen notches either way, as a few turns of the wheel: the
        # eye must stay where the search for the added node below reaches.
        app.pinch(px, py, rng.uniform(50, 160), rng.uniform(50, 160), rng.randint(1, 6))
        counts["pinches"] += 1


def centre_lit(app):
    """Whether the middle of the canvas shows something: a small screenshot."""
    x, y, w, h = app.canvas_rect()
    data = app.browser.cdp("Page.captureScreenshot", {
        "format": "png", "clip": {"x": x + w / 2 - 6, "y": y + h / 2 - 6, "width": 12, "height": 12, "scale": 1}})
    p = e2e.Picture(web.png_to_ppm(web.base64.b64decode(data["data"])))
    return p.count(lambda q: not e2e.is_black(q)) > p.w * p.h // 10


def find_added_node(app):
    """Adds a node under the middle of the canvas, wherever the storm left the
    eye (it stays there as the eye zooms), and zooms until it shows: out from
    too near (the plane in front of the near plane), else in from afar."""
    app.click(3, e2e.BB_W / 2, e2e.BB_H / 2)
    for key in ["f"] * 40 + ["r"] * 160:
        if centre_lit(app):
            return app.shot()
        app.key(key, delay_ms=0)
    raise Failure("no zoom shows the node added in the middle after the storm")


# Draw calls counted per frame (from one clear to the next), before the
# page's own scripts: drawElementsInstanced draws large first sights as
# instances, drawArrays the stream.
COUNT_DRAWS = """
(() => {
  const gl = WebGL2RenderingContext.prototype;
  const draws = window.draws = {frames: [], current: null};
  for (const [name, field] of [['drawElementsInstanced', 'instanced'], ['drawArrays', 'streamed']]) {
    const original = gl[name];
    gl[name] = function (...args) {
      if (draws.current) draws.current[field]++;
      return original.apply(this, args);
    };
  }
  const clear = gl.clear;
  gl.clear = function (...args) {
    if (draws.current) draws.frames.push(draws.current);
    draws.current = {at: performance.now(), instanced: 0, streamed: 0};
    return clear.apply(this, args);
  };
})();
"""
# A trial's frames (four blocks of five, see platform/webgl/way_chooser.h)
# and a few more, for the way kept to come into force.
TRIAL_FRAMES = 24
SETTLED_FRAMES = 40
# A frame slower than this, or a page slower than this many frames a second
# in software, is not healthy.
LONGEST_FRAME_S = 2.0
FEWEST_FPS = 4.0


def frames_drawn(app, start=0):
    """[{at, instanced, streamed}] of the frames finished from frame start on."""
    return app.browser.js("return draws.frames.slice(arguments[0])", start)


def frame_count(app):
    return app.browser.js("return draws.frames.length")


def expect_healthy(app, frames, what):
    """Frames came steadily and the page logged no error."""
    expect(len(frames) > 1, f"{what}: no frames drawn")
    gaps = [(b["at"] - a["at"]) / 1000.0 for a, b in zip(frames, frames[1:])]
    seconds = (frames[-1]["at"] - frames[0]["at"]) / 1000.0
    expect(max(gaps) < LONGEST_FRAME_S, f"{what}: a frame took {max(gaps):.2f} s")
    expect(len(frames) / seconds > FEWEST_FPS, f"{what}: {len(frames)} frames in {seconds:.1f} s")
    errors = [line for line in app.browser.console()
              if line.startswith("SEVERE") or "WebGL" in line or "GL_" in line]
    expect(not errors, f"{what}: the page logged errors: {errors[:3]}")


def scenario_ways(app):
    """The page times its two ways of drawing a view full of moving
    particles (streamed, instanced) and keeps one: with particles made and
    the view zoomed out, frames with instances and frames without come in
    the trial's blocks, and then the page draws one way. Whichever way the
    browser here is faster with: the frames keep coming, the page logs no
    error and the particles still show."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key("v")
    app.key(*["f"] * 8)
    app.wait_picture("blue and red particles", lambda p: min(e2e.particles(p)) > 300)
    begun = frame_count(app)
    first = app.wait("frames drawn with instances", lambda: next(
        (begun + i for i, f in enumerate(frames_drawn(app, begun)) if f["instanced"] > 0), None), 45)
    app.wait(f"{TRIAL_FRAMES + SETTLED_FRAMES} frames after the first instances",
             lambda: frame_count(app) >= first + TRIAL_FRAMES + SETTLED_FRAMES, 30)
    app.alive()
    frames = frames_drawn(app)
    trial = frames[first:first + TRIAL_FRAMES]
    settled = frames[first + TRIAL_FRAMES:first + TRIAL_FRAMES + SETTLED_FRAMES]
    instanced = sum(1 for f in trial if f["instanced"] > 0)
    streamed = sum(1 for f in trial if f["instanced"] == 0 and f["streamed"] > 0)
    expect(instanced >= 5 and streamed >= 5,
           f"the trial drew {instanced} frames with instances and {streamed} streamed: "
           + " ".join(str(f["instanced"]) for f in trial))
    kept = {f["instanced"] > 0 for f in settled}
    expect(len(kept) == 1, "the page did not settle on one way; instances per frame: "
           + " ".join(str(f["instanced"]) for f in settled))
    print(f"tried from frame {first} of {len(frames)}, kept {'instanced' if kept.pop() else 'streamed'}")
    expect_healthy(app, frames[begun:], "while the page timed its ways")
    p = app.shot()
    expect(min(e2e.particles(p)) > 300, f"blue and red particles after the trial: {e2e.particles(p)} pixels")
    app.escape_and_expect_zero()


def scenario_ways_instanced(app):
    """The native particles scenario on the page whose way is fixed to
    instances by its address: while there are particles, every frame draws
    some of them as instances."""
    pressed = []
    key, escape = app.key, app.escape_and_expect_zero

    def noted_key(*names, **options):
        pressed.extend((name, frame_count(app)) for name in names)
        key(*names, **options)

    def checked_escape():
        frames = frames_drawn(app)
        made = next(at for name, at in pressed if name == "v")
        cleared = next(at for name, at in pressed if name == "c")
        # The input reaches the program a frame or two later.
        moving = frames[made + 3:cleared]
        expect(len(moving) > 20, f"{len(moving)} frames with particles")
        without = sum(1 for f in moving if f["instanced"] == 0)
        expect(not without, f"{without} of {len(moving)} frames with particles drew no instances")
        expect_healthy(app, frames[made:], "with particles drawn as instances")
        escape()

    app.key, app.escape_and_expect_zero = noted_key, checked_escape
    e2e.scenario_particles(app)


NATIVE_SCENARIOS = ("particles", "select", "edit", "delete_add", "camera")
SCENARIOS = {"startup": scenario_startup, "repeat": scenario_repeat, "no_webgl": scenario_no_webgl,
             "storm": scenario_storm, "storm_lost": scenario_storm_lost, "ways": scenario_ways,
             "ways_instanced": scenario_ways_instanced}
FLAGS = {"no_webgl": ["--disable-webgl", "--disable-3d-apis"]}
# The page each opens, in the site's folder, if not the program's own; and
# the scripts run in it before its own.
PAGES = {"ways_instanced": "fixed-way/index.html?way=instanced"}
BEFORE_LOAD = {"ways": COUNT_DRAWS, "ways_instanced": COUNT_DRAWS}


def main(argv):
    if len(argv) != 3 or (argv[2] not in SCENARIOS and argv[2] not in NATIVE_SCENARIOS):
        print(__doc__)
        print("scenarios:", " ".join([*SCENARIOS, *NATIVE_SCENARIOS]))
        return 2
    folder, name = argv[1], argv[2]
    # The web build is optional for a native build's tests: skipped without it
    # (ctest's SKIP_RETURN_CODE).
    page = PAGES.get(name, "index.html")
    program = os.path.join(folder, os.path.dirname(page), "lattice-gas.wasm")
    if not os.path.isfile(program):
        print(f"SKIPPED: no {program}: cmake --preset web && cmake --build --preset web")
        return 77
    scenario = SCENARIOS.get(name) or e2e.SCENARIOS[name]
    t0 = time.monotonic()
    app = None

    def body(browser, site):
        nonlocal app
        if name in BEFORE_LOAD:
            browser.before_load(BEFORE_LOAD[name])
        app = web.WebApp(browser, site.url + page)
        scenario(app)

    try:
        web.run_with_site(folder, body, FLAGS.get(name, ()))
    except Failure as e:
        print(f"FAIL [web {name}]: {e}")
        if app is not None and app.last is not None:
            path = os.path.abspath(f"e2e-web-{name}-last.ppm")
            app.save(path)
            print(f"last screenshot: {path}")
        return 1
    print(f"ok [web {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
