#!/usr/bin/python3
"""Pictures of the web edition against the native build's, on deterministic
scenes (particles at a fixed place only in the probe: the program's are drawn
at the step clock's phase, which depends on the frames drawn so far) (see web_driver.py for the browser side):

    web_pictures.py SITE_FOLDER NATIVE_BUILD_FOLDER CASE

CASE:
  probe         the scene probe (tests/platform/d3d9/scene_probe.cpp), drawn by our
                OpenGL device on the X display in DISPLAY and by the WebGL
                device in headless Chromium
  broken_light  the same, with the page's lighting made wrong (the colours
                come lit from the CPU; the shader shows every vertex at 60 %
                of its colour): the bar must catch it
  first_streamed, first_instanced
                the probe's first frame only, whose draws are all first
                sights, its large ones drawn each way (the probe's page takes
                the way and the number of frames from its address)
  broken_instanced_light
                the first frame drawn with instances, the instances' lighting
                made wrong (60 % of its colour): the bar must catch it
  program       the program itself: the start grid, then an edited scene
                (zoomed in, a node deleted and one added, the centre node
                selected), after the same real input to both

Pictures agree when at least 97 % of pixels lie within 16 levels in every
channel, and at least 70 % of the pixels that show an object in either
picture do (the black background alone is most of a picture).
"""

import math
import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_driver as web  # noqa: E402
from web_driver import Failure, expect, e2e  # noqa: E402

MIN_AGREE = 0.97
MIN_OBJECT_AGREE = 0.70
LEVELS = 16
PROBE_TITLE = "D3D9 scene probe"
SETTLE_SECONDS = 2.0

# Makes the page's lighting wrong, before the page's own scripts run: the lit
# colours the shader takes from the CPU darkened; tells whether it found the
# line to change.
BREAK_LIGHT = """
window.lightBroken = false;
const source = WebGL2RenderingContext.prototype.shaderSource;
WebGL2RenderingContext.prototype.shaderSource = function (shader, text) {
  const broken = text.replace('v_colour = a_colour;', 'v_colour = vec4(a_colour.rgb * 0.6, a_colour.a);');
  window.lightBroken = window.lightBroken || broken !== text;
  return source.call(this, shader, broken);
};
"""


def agreement(a, b):
    """(share of pixels within LEVELS, share of object pixels within LEVELS)."""
    expect((a.w, a.h) == (b.w, b.h) == (e2e.BB_W, e2e.BB_H),
           f"pictures of {a.w}x{a.h} and {b.w}x{b.h}, expected both 1024x768")
    da, db = a.data, b.data
    close = objects = objects_close = 0
    for i in range(0, len(da), 3):
        pa, pb = da[i:i + 3], db[i:i + 3]
        near = max(abs(pa[0] - pb[0]), abs(pa[1] - pb[1]), abs(pa[2] - pb[2])) <= LEVELS
        close += near
        if max(pa) >= 8 or max(pb) >= 8:
            objects += 1
            objects_close += near
    total = len(da) // 3
    return close / total, (objects_close / objects if objects else 0.0)


def judge(native, browser, what):
    overall, objects = agreement(native, browser)
    print(f"{what}: {overall:.4f} of pixels within {LEVELS} levels (need {MIN_AGREE}), "
          f"{objects:.4f} of object pixels (need {MIN_OBJECT_AGREE})")
    return overall >= MIN_AGREE and objects >= MIN_OBJECT_AGREE


def save_pair(name, native, browser):
    for kind, p in (("native", native), ("web", browser)):
        with open(os.path.abspath(f"web-pictures-{name}-{kind}.ppm"), "wb") as f:
            f.write(p.ppm)


# ---------------------------------------------------------------- the probe


def native_probe(native_build):
    probe = os.path.join(native_build, "tests", "platform", "d3d9", "scene_probe")
    app = e2e.App("native", probe)
    try:
        app.wid = app.find_window(PROBE_TITLE)
        time.sleep(SETTLE_SECONDS)
        picture = app.shot()
        app.focus()
        app.key("Escape")
        app.wait_exit()
        return picture
    finally:
        app.kill()


# The same for the instances' shader, which lights on the GPU.
BREAK_INSTANCED_LIGHT = """
window.lightBroken = false;
const source = WebGL2RenderingContext.prototype.shaderSource;
WebGL2RenderingContext.prototype.shaderSource = function (shader, text) {
  const broken = text.replace('v_colour = vec4(clamp(colour, 0.0, 1.0),', 'v_colour = vec4(0.6 * clamp(colour, 0.0, 1.0),');
  window.lightBroken = window.lightBroken || broken !== text;
  return source.call(this, shader, broken);
};
"""

# Counts the frames drawn and the instanced calls.
COUNT_DRAWS = """
window.frames = 0;
window.instancedCalls = 0;
const clear = WebGL2RenderingContext.prototype.clear;
WebGL2RenderingContext.prototype.clear = function (...args) {
  window.frames++;
  return clear.apply(this, args);
};
const instanced = WebGL2RenderingContext.prototype.drawElementsInstanced;
WebGL2RenderingContext.prototype.drawElementsInstanced = function (...args) {
  window.instancedCalls++;
  return instanced.apply(this, args);
};
"""


def web_probe(site_folder, break_light=None, address=""):
    """The probe's picture; break_light: a script that breaks a shader's
    lighting; address: the page's query (the way, the frames drawn)."""

    def body(browser, site):
        browser.before_load(COUNT_DRAWS)
        if break_light:
            browser.before_load(break_light)
        page = web.Page(browser, site.url + "probe/index.html" + address)
        page.wait("the probe's title", lambda: browser.js("return document.title") == PROBE_TITLE, 30)
        time.sleep(SETTLE_SECONDS)
        if break_light:
            expect(browser.js("return window.lightBroken"), "the shaders have no line of the lighting to break")
        return page.shot(), browser.js("return [window.frames, window.instancedCalls]")

    return web.run_with_site(site_folder, body)


# Where the probe draws the same object twice at equal depths, and the colour
# the later draw gives it: (x, y) in the back buffer, the channel that must
# lead by at least 60 levels.
LATER_DRAW_WINS = [((474, 497), 0, "the node drawn grey, then red as the selection"),
                   ((565, 177), 2, "the particle drawn red, then blue in the same place")]


def expect_later_draws_win(picture, what):
    for (x, y), channel, case in LATER_DRAW_WINS:
        i = 3 * (y * picture.w + x)
        pixel = picture.data[i:i + 3]
        others = max(pixel[c] for c in range(3) if c != channel)
        expect(pixel[channel] >= others + 60,
               f"{what}: {case} shows {tuple(pixel)} at {x},{y}: the earlier draw won")


def probe_agrees(site_folder, native_build, name, address=""):
    """The web probe drawn as the address says against the native one; the
    web's frames drawn and instanced calls."""
    native = native_probe(native_build)
    browser, (frames, instanced) = web_probe(site_folder, address=address)
    if not judge(native, browser, name):
        save_pair(name.replace(" ", "-"), native, browser)
        raise Failure(f"the web probe's picture ({name}) differs from the native one")
    expect_later_draws_win(native, "native probe")
    expect_later_draws_win(browser, f"web probe, {name}")
    return frames, instanced


def case_probe(site_folder, native_build):
    frames, _ = probe_agrees(site_folder, native_build, "scene probe")
    expect(frames > 2, f"the probe drew {frames} frames: its draws were never kept")


def case_first_streamed(site_folder, native_build):
    frames, instanced = probe_agrees(site_folder, native_build, "first frame streamed",
                                     "?frames=1&way=streamed")
    expect(frames == 1, f"the probe drew {frames} frames, not its first alone")
    expect(instanced == 0, f"{instanced} instanced calls in the streamed frame")


def case_first_instanced(site_folder, native_build):
    frames, instanced = probe_agrees(site_folder, native_build, "first frame instanced",
                                     "?frames=1&way=instanced")
    expect(frames == 1, f"the probe drew {frames} frames, not its first alone")
    expect(instanced > 0, "no instanced call in the frame drawn with instances")


def broken_case(site_folder, native_build, script, address, name):
    native = native_probe(native_build)
    browser, _ = web_probe(site_folder, script, address)
    if judge(native, browser, name):
        save_pair(name.replace(" ", "-").replace(",", ""), native, browser)
        raise Failure(f"the bar let it pass: {name}")


def case_broken_light(site_folder, native_build):
    broken_case(site_folder, native_build, BREAK_LIGHT, "",
                "scene probe, lit colours darkened in the page's shader")


def case_broken_instanced_light(site_folder, native_build):
    broken_case(site_folder, native_build, BREAK_INSTANCED_LIGHT, "?frames=1&way=instanced",
                "first frame instanced, the instances' colours darkened")


# ---------------------------------------------------------------- the program


def edited_scene(app):
    """The same real input to either build; returns the start picture and that
    of an edited scene: zoomed in, a node deleted, one added off the grid, the
    centre node selected (red). No particles: the phase they would be drawn at
    depends on how many frames either build drew before the input."""
    camera = e2e.Camera()
    app.wait_window()
    app.wait_grid(camera, what="the start grid")
    app.focus()
    time.sleep(0.5)
    start = app.shot()
    for _ in range(3):
        camera.zoom(+1)
    app.key("r", "r", "r")
    app.wait_grid(camera, what="the grid zoomed in")
    app.click_plane(1, camera, 5.0, 0.0)
    app.key("Delete")
    app.click_plane(3, camera, 2.5, 2.0)
    cx, cy = camera.to_pixel(0, 0)
    app.click(1, cx, cy)
    app.wait_picture("the selected centre node in red", lambda p: e2e.red_at(p, cx, cy))
    time.sleep(0.5)
    scene = app.shot()
    app.escape_and_expect_zero()
    return start, scene


def case_program(site_folder, native_build):
    program = os.path.join(native_build, "app", "lattice-gas")
    app = e2e.App("native", program)
    try:
        native = edited_scene(app)
    finally:
        app.kill()

    def body(browser, site):
        return edited_scene(web.WebApp(browser, site.url + "index.html"))

    browser = web.run_with_site(site_folder, body)
    ok = True
    for name, a, b in (("start grid", native[0], browser[0]), ("edited scene", native[1], browser[1])):
        if not judge(a, b, name):
            save_pair(name.replace(" ", "-"), a, b)
            ok = False
    if not ok:
        raise Failure("the web program's pictures differ from the native ones")


CASES = {"probe": case_probe, "broken_light": case_broken_light, "first_streamed": case_first_streamed,
         "first_instanced": case_first_instanced, "broken_instanced_light": case_broken_instanced_light,
         "program": case_program}


def main(argv):
    if len(argv) != 4 or argv[3] not in CASES:
        print(__doc__)
        return 2
    site_folder, native_build, name = argv[1:]
    # The web build is optional for a native build's tests: skipped without it
    # (ctest's SKIP_RETURN_CODE).
    if not os.path.isfile(os.path.join(site_folder, "lattice-gas.wasm")):
        print(f"SKIPPED: no web build in {site_folder}: cmake --preset web && cmake --build --preset web")
        return 77
    if not os.environ.get("DISPLAY"):
        print("FAIL: no DISPLAY for the native pictures")
        return 1
    t0 = time.monotonic()
    try:
        CASES[name](site_folder, native_build)
    except (Failure, subprocess.SubprocessError) as e:
        print(f"FAIL [web pictures {name}]: {e}")
        return 1
    print(f"ok [web pictures {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
