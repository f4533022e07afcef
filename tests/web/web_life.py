#!/usr/bin/python3
"""The graphics device's life on the page, in headless Chromium with real
input events and screenshots (see web_driver.py):

    web_life.py SITE_FOLDER SCENARIO

lose_restore, lose_twice, lose_again
    the canvas's context lost and given back (WEBGL_lose_context, as a
    browser does it) with edits and keys during each loss; once, twice in a
    row, and lost again straight after it came back. Afterwards the picture
    agrees with that of a page that never lost its context and got the same
    input: a scene that does not depend on time (a node selected, so the
    clock holds, and no particles); and the context holds the state it held
    before the loss (a missing depth test, say, changes too few pixels of
    these scenes to show in the picture).
lost_for_good
    the status line while the context stays lost, and after.
zoom
    the device pixel ratio changes (browser zoom, another screen).
hidden
    the tab hidden and shown again, the context lost and given back while
    hidden.
back_forward, back_forward_reload
    the page left and come back to: kept whole by the back/forward cache,
    and loaded afresh where there is none.
"""

import os
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_driver as web  # noqa: E402
from web_driver import Failure, expect, e2e  # noqa: E402

# Pictures of one scene agree when this share of pixels lies within LEVELS
# in every channel.
MIN_AGREE = 0.995
LEVELS = 16
# The first frame after a restoration, at most this long after it.
RESTORED_WITHIN_MS = 1000

# Before the page's own scripts: animation frames asked for (one a Present),
# the time of the first draw after each restoration, and how the page was
# shown (true when it came from the back/forward cache).
WATCH = """
window.framesAsked = 0;
const animationFrame = window.requestAnimationFrame;
window.requestAnimationFrame = function (...args) {
  window.framesAsked++;
  return animationFrame.apply(window, args);
};
window.restoredAt = null;
window.drawnAfterRestore = null;
addEventListener('webglcontextrestored', () => {
  window.restoredAt = performance.now();
  window.drawnAfterRestore = null;
}, true);
const drawArrays = WebGL2RenderingContext.prototype.drawArrays;
WebGL2RenderingContext.prototype.drawArrays = function (...args) {
  if (window.restoredAt !== null && window.drawnAfterRestore === null) window.drawnAfterRestore = performance.now();
  return drawArrays.apply(this, args);
};
window.pageShows = [];
addEventListener('pageshow', e => window.pageShows.push(e.persisted));
"""

LOST_TEXT = "The graphics were lost"
RELOAD_TEXT = "Reloading the page"


def frames_asked(app):
    return app.browser.js("return window.framesAsked")


def expect_running(app, what, seconds=1.0):
    """The program presents frames: neither frozen nor waiting."""
    before = frames_asked(app)
    time.sleep(seconds)
    after = frames_asked(app)
    expect(after - before >= 5, f"{what}: {after - before} frames in {seconds} s")


def lose_and_see(app):
    """Loses the context and waits until the canvas no longer shows the
    scene: the browser paints a lost context's canvas its own way (Chromium:
    white, with a broken-image sign)."""
    before = app.shot()
    app.lose_context()
    app.wait_picture("the scene gone from the canvas while the context is lost",
                     lambda p: web.share_within(p, before, LEVELS) < 0.5, 10)


def expect_clean_console(app):
    """No errors, and no WebGL complaint (a call on the lost context, or with
    the lost context's objects after the restoration)."""
    lines = app.browser.console()
    bad = [line for line in lines if line.startswith("SEVERE") or "WebGL" in line]
    expect(not bad, f"the page logged: {bad[:3]}")


def gl_state(app):
    """What the device has set in its context, read back between frames:
    the Direct3D state in GL terms, the drawing buffer, the stream's program
    and its projection."""
    return app.browser.js("""
        const gl = document.getElementById('canvas').getContext('webgl2');
        const get = name => {
          const v = gl.getParameter(gl[name]);
          return v !== null && typeof v === 'object' && 'length' in v ? Array.from(v) : v;
        };
        const program = gl.getParameter(gl.CURRENT_PROGRAM);
        const state = {};
        for (const name of ['DEPTH_TEST', 'DEPTH_WRITEMASK', 'DEPTH_FUNC', 'CULL_FACE', 'CULL_FACE_MODE',
                            'FRONT_FACE', 'VIEWPORT', 'DEPTH_RANGE', 'SCISSOR_TEST', 'BLEND'])
          state[name] = get(name);
        state.buffer = [gl.drawingBufferWidth, gl.drawingBufferHeight];
        state.vertexArray = gl.getParameter(gl.VERTEX_ARRAY_BINDING) !== null;
        state.projection = program &&
            Array.from(gl.getUniform(program, gl.getUniformLocation(program, 'u_projection')));
        return state;""")


def settled(app):
    """The picture, once two screenshots half a second apart agree exactly."""
    last = app.shot()
    deadline = time.monotonic() + e2e.PICTURE_TIMEOUT
    while True:
        time.sleep(0.5)
        p = app.shot()
        if p.data == last.data:
            return p
        if time.monotonic() > deadline:
            raise Failure("the picture never settled")
        last = p


# ---------------------------------------------------------------- lost and given back

# The input of each part of the comparison scenes: edits (nodes added, moved,
# deleted, selected), keys and the wheel, never particles (the clock's phase
# they are drawn at depends on how many frames were drawn before). Each part
# ends with a node selected.


def edits_first(app, camera):
    app.click_plane(3, camera, 2.5, 2.0)
    app.click_plane(1, camera, 5.0, 0.0)
    app.key("d", "d", "w")
    app.key("Delete")
    app.key("r")
    camera.zoom(+1)
    app.key("a")
    camera.pan_x(-1)
    app.click_plane(1, camera, 0.0, 0.0)
    app.key("Return")


def edits_second(app, camera):
    app.key("f")
    camera.zoom(-1)
    app.click_plane(3, camera, -2.5, -2.0)
    app.click_plane(1, camera, -5.0, 0.0)
    app.key("s", "s")
    cx, cy = camera.to_pixel(camera.x, camera.y)
    app.click(4, cx, cy)
    camera.zoom(+1)
    app.click_plane(3, camera, 7.5, 2.0)


def prepared(app):
    """The page started, zoomed in a little, its context followed."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key("r", "r", "r")
    for _ in range(3):
        camera.zoom(+1)
    app.wait_grid(camera, what="the grid zoomed in")
    app.follow_context()
    return camera


def reference_pictures(app, parts):
    """The pictures after each part of the input, on a page that keeps its
    context."""
    camera = prepared(app)
    pictures = []
    for part in parts:
        part(app, camera)
        p = settled(app)
        expect(p.count(e2e.is_red) > 20, "no selected node in the reference picture")
        pictures.append(p)
    app.escape_and_expect_zero()
    return pictures


def expect_picture_back(app, reference, what):
    """After a restoration: the first frame within RESTORED_WITHIN_MS, and
    a picture that agrees with the reference."""
    drawn = app.wait("a draw after the restoration",
                     lambda: app.browser.js("return window.drawnAfterRestore !== null && "
                                            "window.drawnAfterRestore - window.restoredAt"), 10)
    expect(drawn <= RESTORED_WITHIN_MS, f"{what}: the first draw came {drawn:.0f} ms after the restoration")
    best = [0.0]

    def agrees(p):
        best[0] = max(best[0], web.share_within(p, reference, LEVELS))
        return best[0] >= MIN_AGREE

    try:
        app.wait_picture(f"the picture of {what}", agrees)
    except Failure:
        raise Failure(f"{what}: at best {best[0]:.4f} of the pixels within {LEVELS} levels of the page "
                      f"that kept its context, need {MIN_AGREE}")
    print(f"{what}: drawn {drawn:.0f} ms after the restoration, {best[0]:.4f} of the pixels agree")


def compared(parts, between):
    """A scenario: the reference page first, then a fresh page that gets the
    same input, each part of it while the context is lost (between(app,
    part, camera) loses it, gives the input and gives the context back);
    after each part its picture must agree with the reference's, and the
    context's state be the one it had before the first loss."""

    def scenario(app):
        url = app.browser.driver.current_url
        reference = reference_pictures(app, parts)
        app.browser.console()  # the reference page's, read and forgotten
        app.__init__(app.browser, url)  # the same tab, a fresh page
        camera = prepared(app)
        state = gl_state(app)
        expect(state["projection"] is not None, f"no program in use between frames: {state}")
        for n, (part, picture) in enumerate(zip(parts, reference), 1):
            between(app, part, camera)
            expect_picture_back(app, picture, f"part {n} of the input, given during the loss")
            after = gl_state(app)
            expect(after == state, f"part {n}: the context's state after the restoration is {after}, "
                                   f"not as before the loss: {state}")
        events = app.context_events()
        expect(all(e[2] for e in events if e[0] == "lost"), f"a loss not prevented: {events}")
        expect_clean_console(app)
        app.escape_and_expect_zero()

    return scenario


def lost_during(app, part, camera):
    lose_and_see(app)
    part(app, camera)
    app.restore_context()


def lost_again_at_once(app, part, camera):
    """Lost, given back and at once lost again (before any frame), the
    input, given back."""
    lose_and_see(app)
    before = len(app.context_events())
    app.browser.js("document.getElementById('canvas').addEventListener('webglcontextrestored',"
                   " () => graphics.lose.loseContext(), {once: true});"
                   "graphics.lose.restoreContext();")
    app.wait("the context given back and lost again",
             lambda: [e[0] for e in app.context_events()[before:]] == ["restored", "lost"], 10)
    expect(app.context_lost(), "the context is not lost after the second loss")
    part(app, camera)
    app.restore_context()


def scenario_lost_for_good(app):
    """Lost for good: the status line names the graphics about a second after
    the loss, adds after about 10 s that a reload would bring the picture
    back but start a new lattice, and goes once the context is back; input
    during the loss is in the picture after it; nothing is thrown. The end
    of the program, during a loss, is still said."""
    camera = prepared(app)
    app.browser.js("""
        const status = document.getElementById('status');
        window.said = [];
        new MutationObserver(() => said.push([performance.now(), status.textContent]))
            .observe(status, {childList: true, characterData: true, subtree: true});""")
    lost_at = app.lose_context()[1]
    app.key("r")
    camera.zoom(+1)
    time.sleep(12.0)
    restored_at = app.restore_context()[1]
    app.wait("the status line emptied", lambda: app.status() == "", 5)
    app.wait_grid(camera, what="the grid zoomed in during the loss")
    said = app.browser.js("return said")
    print("status line:", [(round(t - lost_at), text[:40]) for t, text in said])
    lost = [t - lost_at for t, text in said if LOST_TEXT in text and RELOAD_TEXT not in text]
    reload = [t - lost_at for t, text in said if LOST_TEXT in text and RELOAD_TEXT in text]
    # The page's own listener empties it before the test's notes the time.
    gone = [t - restored_at for t, text in said if reload and t - lost_at > reload[0] and text == ""]
    expect(lost and 800 <= lost[0] <= 2000, f"the loss said at {lost[:1]} ms, not about a second after it")
    expect(reload and 9500 <= reload[0] <= 12000,
           f"the reload advice given at {reload[:1]} ms, not about 10 s after the loss")
    expect(gone and gone[0] <= 1000, f"the status line went {gone[:1]} ms after the restoration")
    expect(app.browser.js("return document.getElementById('status').getAttribute('role')") == "status",
           "the status line lost its role")
    expect_clean_console(app)
    # Ended while lost: the end is said, and no loss covers it.
    app.lose_context()
    app.key("Escape")
    code = app.wait_exit()
    expect(code == 0, f"exit code {code}")
    time.sleep(1.5)
    status = app.status()
    expect("ended with exit code 0" in status, f"after the end during a loss the page says {status!r}")


# ---------------------------------------------------------------- the rest of a device's life


def scenario_zoom(app):
    """The device pixel ratio changes mid-run: the drawing buffer stays the
    back buffer, the canvas stays 4:3, the picture fits the camera and a
    click still lands on the node under the pointer."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key(*["r"] * 5)
    for _ in range(5):
        camera.zoom(+1)
    app.wait_grid(camera, what="the grid zoomed in")
    s3 = 3 ** 0.5
    for scale, (nx, ny) in ((2, (5.0, 0.0)), (1.5, (-2.5, 2.5 * s3)), (1.25, (2.5, -2.5 * s3)), (1, (-5.0, 0.0))):
        app.browser.set_viewport(*web.VIEWPORT, scale=scale)
        app.wait(f"the pixel ratio {scale}", lambda: app.browser.js("return devicePixelRatio") == scale, 10)
        app.wait_grid(camera, what=f"the grid at the pixel ratio {scale}")
        drawn = app.browser.js("const c = document.getElementById('canvas'); return [c.width, c.height]")
        expect(drawn == [e2e.BB_W, e2e.BB_H],
               f"pixel ratio {scale}: the drawing buffer is {drawn}, not the back buffer's {e2e.BB_W}x{e2e.BB_H}")
        x, y, w, h = app.canvas_rect()
        expect(abs(w * 3 - h * 4) <= 4, f"pixel ratio {scale}: the canvas is {w}x{h}, not 4:3")
        bx, by = camera.to_pixel(nx, ny)
        app.click(1, bx, by)
        app.wait_picture(f"the node at {nx:.2f} {ny:.2f} selected at the pixel ratio {scale}",
                         lambda p: e2e.red_at(p, bx, by, 2))
    app.escape_and_expect_zero()


def scenario_hidden(app):
    """Hidden behind another tab the program waits (no frames); the context
    lost and given back meanwhile, and a key pressed, it goes on once shown:
    the picture has the key's zoom, and a further key works."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.follow_context()
    browser = app.browser
    ours = browser.cdp("Target.getTargetInfo")["targetInfo"]["targetId"]
    other = browser.cdp("Target.createTarget", {"url": "about:blank"})["targetId"]
    try:
        browser.cdp("Target.activateTarget", {"targetId": other})
        app.wait("the page hidden", lambda: browser.js("return document.visibilityState") == "hidden", 10)
        before = frames_asked(app)
        time.sleep(1.0)
        expect(frames_asked(app) - before <= 1, "the program drew frames while hidden")
        app.lose_context()
        app.key("r")
        camera.zoom(+1)
        app.restore_context()
        browser.cdp("Target.activateTarget", {"targetId": ours})
        app.wait("the page shown", lambda: browser.js("return document.visibilityState") == "visible", 10)
    finally:
        browser.cdp("Target.closeTarget", {"targetId": other})
    expect_running(app, "once shown")
    app.wait_grid(camera, what="the grid zoomed in while hidden")
    app.key("f")
    camera.zoom(-1)
    app.wait_grid(camera, what="the grid zoomed out once shown")
    expect_clean_console(app)
    app.escape_and_expect_zero()


def left_and_back(app):
    """An edit (a node deleted), then another page, then back."""
    camera = e2e.Camera()
    e2e.start(app, camera)
    app.key("r", "r")
    camera.zoom(+1).zoom(+1)
    app.click_plane(1, camera, 5.0, 0.0)
    app.key("Delete")
    removed = [(5.0, 0.0)]
    app.wait_grid(camera, removed, "the grid without the deleted node")
    url = app.browser.driver.current_url
    app.browser.open("data:text/html,<link rel=icon href=data:,><p>Elsewhere")
    time.sleep(1.0)
    app.browser.driver.back()
    app.wait("the page shown again",
             lambda: app.browser.driver.current_url == url and app.browser.js("return document.title") == e2e.TITLE, 30)
    return camera, removed


def scenario_back_forward(app):
    """Left and come back to, kept whole (the back/forward cache): the
    program resumes where it was, the deleted node still gone, and answers."""
    camera, removed = left_and_back(app)
    shows = app.browser.js("return window.pageShows")
    expect(shows[-1] is True, f"the page was not kept by the back/forward cache (pageshow persisted: {shows})")
    expect_running(app, "back from the cache")
    app.wait_grid(camera, removed, "the grid as it was left")
    app.key("f")
    camera.zoom(-1)
    app.wait_grid(camera, removed, "the grid zoomed out after coming back")
    expect_clean_console(app)
    app.escape_and_expect_zero()


def scenario_back_forward_reload(app):
    """Left and come back to where the browser keeps no page whole: it loads
    afresh, with a new lattice, drawn and answering."""
    left_and_back(app)
    shows = app.browser.js("return window.pageShows")
    expect(shows == [False], f"the page came back from a cache (pageshow persisted: {shows})")
    camera = e2e.Camera()
    app.wait_grid(camera, what="a new start grid")
    expect_running(app, "loaded afresh")
    app.key("r")
    camera.zoom(+1)
    app.wait_grid(camera, what="the new grid zoomed in")
    app.escape_and_expect_zero()


SCENARIOS = {
    "lose_restore": compared([edits_first], lost_during),
    "lose_twice": compared([edits_first, edits_second], lost_during),
    "lose_again": compared([edits_first], lost_again_at_once),
    "lost_for_good": scenario_lost_for_good,
    "zoom": scenario_zoom,
    "hidden": scenario_hidden,
    "back_forward": scenario_back_forward,
    "back_forward_reload": scenario_back_forward_reload,
}
FLAGS = {"back_forward_reload": ["--disable-features=BackForwardCache"]}


def main(argv):
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        print(__doc__)
        print("scenarios:", " ".join(SCENARIOS))
        return 2
    folder, name = argv[1], argv[2]
    # The web build is optional for a native build's tests: skipped without it
    # (ctest's SKIP_RETURN_CODE).
    if not os.path.isfile(os.path.join(folder, "lattice-gas.wasm")):
        print(f"SKIPPED: no web build in {folder}: cmake --preset web && cmake --build --preset web")
        return 77
    t0 = time.monotonic()
    app = None

    def body(browser, site):
        nonlocal app
        browser.before_load(WATCH)
        app = web.WebApp(browser, site.url + "index.html")
        SCENARIOS[name](app)

    try:
        web.run_with_site(folder, body, FLAGS.get(name, ()))
    except Failure as e:
        print(f"FAIL [web life {name}]: {e}")
        if app is not None and app.last is not None:
            path = os.path.abspath(f"web-life-{name}-last.ppm")
            app.save(path)
            print(f"last screenshot: {path}")
        return 1
    print(f"ok [web life {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
