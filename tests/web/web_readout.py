#!/usr/bin/python3
"""The figures beside the picture and their plot, in headless Chromium with
real input (see web_driver.py):

    web_readout.py SITE_FOLDER SCENARIO

The figures are read as a person reads them, from the page's text; the plot
from its drawing (its points against its axes' labels). What the program
holds is known from the input: a fresh grid, particles toggled one by one,
generations counted from the frames drawn.
"""

import math
import os
import re
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import web_driver as web  # noqa: E402
import web_touch  # noqa: E402
from web_driver import Failure, expect, e2e  # noqa: E402

NODES = 1951
PERIOD = 20
FRAMES_PER_GENERATION = PERIOD + 1
PLOT_GENERATIONS = 300
ANNOUNCE_EVERY_S = 5.0
# A triangle's centre: no node within reach of a click.
EMPTY = (2.5, 5 * math.sqrt(3) / 6)

FIGURES = re.compile(r"(\d+) (nodes?) · (\d+) (particles?) \((\d+) tagged\) · generation (\d+)")

# Put in before the page's own scripts: the frames drawn (one Clear each),
# and every change of the figures' text and of the live region, with the
# frames drawn and the plot's points at that moment.
WATCH = """
window.frames = 0;
window.figureChanges = [];
window.announcements = [];
const clear = WebGL2RenderingContext.prototype.clear;
WebGL2RenderingContext.prototype.clear = function (...args) {
  window.frames++;
  return clear.apply(this, args);
};
document.addEventListener('DOMContentLoaded', () => {
  const $ = id => document.getElementById(id);
  const points = id => ($(id).getAttribute('points') || '').trim().split(/\\s+/).filter(Boolean)
      .map(p => p.split(',').map(Number));
  new MutationObserver(() => window.figureChanges.push({
    text: $('figures').textContent, frames: window.frames, at: performance.now(),
    particles: points('plot-particles'), tagged: points('plot-tagged'),
    axes: $('plot-axes').getAttribute('d'), top: $('plot-top').textContent,
    first: $('plot-first').textContent, last: $('plot-last').textContent,
    title: $('plot-title').textContent,
  })).observe($('figures'), {childList: true, characterData: true, subtree: true});
  new MutationObserver(() => window.announcements.push({text: $('announce').textContent, at: performance.now()}))
      .observe($('announce'), {childList: true, characterData: true, subtree: true});
}, {passive: true});
"""


class Figures:
    def __init__(self, text):
        m = FIGURES.fullmatch(text)
        if not m:
            raise Failure(f"the figures read {text!r}, not as 'N nodes · N particles (N tagged) · generation N'")
        self.nodes, self.particles, self.tagged, self.generation = (int(m.group(i)) for i in (1, 3, 5, 6))
        for n, word, one in ((self.nodes, m.group(2), "node"), (self.particles, m.group(4), "particle")):
            expect(word == (one if n == 1 else one + "s"), f"the figures read {text!r}: '{n} {word}'")
        self.text = text

    def __repr__(self):
        return repr(self.text)


def figures(app):
    return Figures(app.browser.js("return document.getElementById('figures').textContent"))


def wait_figures(app, what, predicate, timeout=10):
    """The figures once predicate holds for them."""
    deadline = time.monotonic() + timeout
    while True:
        app.alive()
        f = figures(app)
        if predicate(f):
            return f
        if time.monotonic() > deadline:
            raise Failure(f"within {timeout} s the figures never showed {what}; they read {f}")
        time.sleep(0.05)


def wait_reading(app, fragment, timeout=10):
    return wait_figures(app, repr(fragment), lambda f: fragment in f.text, timeout)


def steady(app, seconds=1.0):
    """The figures, once they stayed the same for `seconds`."""
    f = figures(app)
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        time.sleep(seconds)
        g = figures(app)
        if g.text == f.text:
            return g
        f = g
    raise Failure(f"the figures never stood still; they read {f}")


def changes(app, since=0):
    return app.browser.js("return window.figureChanges.slice(arguments[0])", since)


def change_count(app):
    return app.browser.js("return window.figureChanges.length")


def open_page(browser, site):
    browser.before_load(WATCH)
    app = web.WebApp(browser, site.url + "index.html")
    app.wait_window()
    return app


def escape_and_keep_figures(app):
    """Escape ends the program; the last figures stay, and nothing asks the
    ended program for more."""
    errors = [line for line in app.browser.console() if line.startswith("SEVERE")]
    expect(not errors, f"the page logged errors: {errors[:3]}")
    # The clock may still run until Escape arrives, so the figures to keep are
    # those shown once the program has ended.
    app.escape_and_expect_zero()
    at_end = figures(app)
    time.sleep(1.0)
    expect(figures(app).text == at_end.text, f"the figures changed from {at_end} to {figures(app)} after the end")
    # The program's end is thrown out of it, as it always was.
    errors = [line for line in app.browser.console() if line.startswith("SEVERE") and "ExitStatus" not in line]
    expect(not errors, f"the page logged errors after the end: {errors[:3]}")


# ---------------------------------------------------------------- scenarios


def scenario_particles(app):
    """C: 0 particles; the centre node selected, 0 and 1 toggled: 2 particles
    (2 tagged); 0 again: 1 particle (1 tagged). A tag bit without its
    particle (left by C, or by toggling an untagged particle off) tags
    nothing, and toggling it gives an untagged particle."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    f = wait_reading(app, f"{NODES} nodes · 0 particles (0 tagged) · generation ")
    app.key("c")
    wait_reading(app, "· 0 particles (0 tagged) ·")
    app.click_plane(1, camera, 0, 0)
    app.key("0", "1")
    wait_reading(app, "· 2 particles (2 tagged) ·")
    app.key("0")
    held = wait_reading(app, "· 1 particle (1 tagged) ·")
    app.key("c")
    wait_reading(app, "· 0 particles (0 tagged) ·")
    app.key("1")
    wait_reading(app, "· 1 particle (0 tagged) ·")
    app.key("1")
    wait_reading(app, "· 0 particles (0 tagged) ·")
    app.key("1")
    last = wait_reading(app, "· 1 particle (0 tagged) ·")
    expect(last.nodes == NODES and last.generation == held.generation,
           f"the selection held the clock, yet the figures went from {held} to {last}")
    print(f"from {f} to {last}")
    escape_and_keep_figures(app)


def scenario_nodes(app):
    """A right click on empty space adds a node; the node selected there and
    Delete take it away; Delete with nothing selected takes none."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    wait_reading(app, f"{NODES} nodes · ")
    app.click_plane(3, camera, *EMPTY)
    wait_reading(app, f"{NODES + 1} nodes · ")
    app.click_plane(1, camera, *EMPTY)
    app.key("Delete")
    wait_reading(app, f"{NODES} nodes · ")
    # The grid as at the start: it was the added node that went.
    app.wait_grid(camera, what="the start grid again")
    app.key("Delete", "q")
    time.sleep(1.0)
    expect(figures(app).nodes == NODES, "Delete and Q with nothing selected took a node")
    app.click_plane(3, camera, 0, 0)
    wait_reading(app, f"{NODES + 1} nodes · ")
    escape_and_keep_figures(app)


def scenario_generations(app):
    """With V and the clock running, the generation is the frames drawn over
    21, at every change of the figures; Enter adds one, with nothing
    selected and with a node selected (which holds the clock)."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    app.key("v")
    wait_figures(app, "particles", lambda f: f.particles > 0)
    wait_figures(app, "generation 12", lambda f: f.generation >= 12, 60)
    running = changes(app)
    for c in running:
        f = Figures(c["text"])
        expect(f.generation == c["frames"] // FRAMES_PER_GENERATION,
               f"generation {f.generation} after {c['frames']} frames drawn")
    print(f"{running[-1]['frames']} frames, generation {Figures(running[-1]['text']).generation}")

    mark = change_count(app)
    app.key("Return")
    time.sleep(3)
    after = changes(app, mark)
    expect(after, "the figures did not change after Enter")
    for c in after[1:]:
        f = Figures(c["text"])
        expect(f.generation == c["frames"] // FRAMES_PER_GENERATION + 1,
               f"after Enter, generation {f.generation} after {c['frames']} frames drawn")

    app.click_plane(1, camera, 0, 0)
    held = steady(app)
    app.key("Return", "Return", "Return")
    wait_figures(app, f"generation {held.generation + 3}", lambda f: f.generation == held.generation + 3)
    expect(steady(app, 1.5).generation == held.generation + 3, "the clock ran with a node selected")
    escape_and_keep_figures(app)


def scenario_merge(app):
    """Two particles merge at an edge: N the rightmost node of the middle row
    (no link in direction 0), M its neighbour in direction 3. M's direction 0
    and N's direction 3 toggled: 2 particles; Enter: M's particle at N heads
    for the missing link; N's direction 3 toggled again: 3 particles; Enter:
    N's two particles meet at M as one: 2 particles. N stays selected, so
    only Enter steps."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    # Out, to the right edge, and in again.
    for key, n, move in (("f", 20, lambda c: c.zoom(-1)), ("d", 44, lambda c: c.pan_x(+1)),
                         ("r", 18, lambda c: c.zoom(+1))):
        app.key(*[key] * n, delay_ms=10)
        for _ in range(n):
            move(camera)
    n_at, m_at = (e2e.RINGS * e2e.SPACING, 0.0), ((e2e.RINGS - 1) * e2e.SPACING, 0.0)

    def selected(at):
        # A node is a few pixels wide in this view.
        return lambda p: any(e2e.is_red(q) for q in p.around(*camera.to_pixel(*at), 1))

    app.click_plane(1, camera, *m_at)
    app.wait_picture("M selected", selected(m_at))
    app.key("0")
    app.click_plane(1, camera, *n_at)
    app.wait_picture("N selected", selected(n_at))
    app.key("3")
    start = wait_reading(app, "· 2 particles (2 tagged) ·")
    app.key("Return")
    f = wait_figures(app, "the first generation", lambda f: f.generation == start.generation + 1)
    expect(f.particles == 2, f"after the first Enter the figures read {f}")
    app.key("3")
    wait_reading(app, "· 3 particles (3 tagged) ·")
    app.key("Return")
    f = wait_figures(app, "the second generation", lambda f: f.generation == start.generation + 2)
    expect(f.text == f"{NODES} nodes · 2 particles (2 tagged) · generation {start.generation + 2}",
           f"after the merge the figures read {f}")
    expect(steady(app).text == f.text, "the figures moved on with N selected")
    escape_and_keep_figures(app)


class Plot:
    """The plot as drawn at one change of the figures: each point's
    generation from its place between the axis's first and last generation,
    its value from its height between 0 and the top label."""

    def __init__(self, change):
        m = re.fullmatch(r"M([\d.]+) ([\d.]+)V([\d.]+)H([\d.]+)", change["axes"])
        expect(m is not None, f"the plot's axes are drawn as {change['axes']!r}")
        left, top, bottom, right = (float(v) for v in m.groups())
        first, last, highest = int(change["first"]), int(change["last"]), int(change["top"])
        expect(last - first == PLOT_GENERATIONS - 1, f"the plot spans generations {first} to {last}")
        self.first, self.highest = first, highest
        # Coordinates are drawn to a tenth of a pixel.
        self.resolution = max(0.5, 0.051 * highest / (bottom - top))

        def read(points):
            out = []
            for x, y in points:
                g = first + (x - left) * (last - first) / (right - left)
                expect(abs(g - round(g)) < 0.25, f"a point at x {x} is no generation's")
                out.append((round(g), (bottom - y) * highest / (bottom - top)))
            return out

        self.particles = read(change["particles"])
        self.tagged = read(change["tagged"])
        self.generations = [g for g, _ in self.particles]
        expect(self.generations == [g for g, _ in self.tagged], "the two lines have points at different generations")
        expect(self.generations == sorted(set(self.generations)), f"the points' generations {self.generations}")
        self.figures = Figures(change["text"])
        self.title = change["title"]

    def newest(self):
        return self.particles[-1][1], self.tagged[-1][1]

    def expect_newest_is_the_figures(self):
        f = self.figures
        expect(self.generations and self.generations[-1] == f.generation,
               f"the newest point is at generation {self.generations[-1:]}, the figures at {f.generation}")
        p, t = self.newest()
        expect(abs(p - f.particles) <= self.resolution and abs(t - f.tagged) <= self.resolution,
               f"the newest point shows {p:.1f} particles, {t:.1f} tagged; the figures read {f}")
        expect(abs(self.highest - max(1, max(v for _, v in self.particles))) <= self.resolution,
               f"the plot's top is {self.highest}, its highest point {max(v for _, v in self.particles):.1f}")
        expect(f"now {f.particles} particle" in self.title and f"{f.tagged} tagged" in self.title
               and f"generation {f.generation}" in self.title, f"the plot's text alternative says {self.title!r}")


def scenario_plot(app):
    """One point per generation as the clock runs (the start's included),
    the newest at the figures' values; with the clock held, C drops the
    newest point to 0 and V raises it, adding none; past 300 generations
    (Enter held down) the plot keeps only the last 300."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    app.key("v")
    # However fast the machine draws.
    wait_figures(app, "generation 15", lambda f: f.generation >= 15, 60)
    running = [Plot(c) for c in changes(app)]
    for plot in running:
        plot.expect_newest_is_the_figures()
        g = plot.figures.generation
        expect(plot.generations == list(range(0, g + 1)),
               f"at generation {g} the plot has points at {plot.generations}")
    print(f"{len(running[-1].generations)} points at generation {running[-1].figures.generation}")

    app.click_plane(1, camera, 0, 0)
    held = steady(app)
    count = len(Plot(changes(app)[-1]).generations)
    for key, check in (("c", lambda f: f.particles == 0), ("v", lambda f: f.particles > 0)):
        mark = change_count(app)
        app.key(key)
        wait_figures(app, f"the figures after {key.upper()}", check)
        plot = Plot(changes(app, mark)[-1])
        plot.expect_newest_is_the_figures()
        expect(plot.figures.generation == held.generation and len(plot.generations) == count,
               f"after {key.upper()} the plot has {len(plot.generations)} points, before {count}")

    # Enter held down: generations come faster than the page asks, and the
    # plot keeps the ones it saw within its width.
    mark = change_count(app)
    app.key(*["Return"] * (PLOT_GENERATIONS + 20), delay_ms=0)
    wait_figures(app, "the generations of Enter",
                 lambda f: f.generation == held.generation + PLOT_GENERATIONS + 20, 30)
    time.sleep(0.5)
    burst = [Plot(c) for c in changes(app, mark)]
    shown = {p.figures.generation for p in burst}
    for plot in burst:
        plot.expect_newest_is_the_figures()
        g = plot.figures.generation
        expect(len(plot.generations) <= PLOT_GENERATIONS and plot.first == max(0, g - PLOT_GENERATIONS + 1)
               and plot.generations[0] >= plot.first,
               f"at generation {g} the plot holds {len(plot.generations)} points from {plot.generations[0]}")
        missing = sorted(s for s in shown if plot.first <= s <= g and s not in plot.generations)
        expect(not missing, f"at generation {g}, generations shown before are not in the plot: {missing[:5]}")
    last = burst[-1]
    expect(last.generations[0] > held.generation, f"the plot still holds generation {last.generations[0]}")
    print(f"after {PLOT_GENERATIONS + 20} presses of Enter: {len(last.generations)} points "
          f"from generation {last.generations[0]} to {last.generations[-1]}")

    # The clock again: one point per generation from there on.
    mark = change_count(app)
    app.click_plane(1, camera, *EMPTY)
    top = last.figures.generation
    wait_figures(app, f"generation {top + 5}", lambda f: f.generation >= top + 5, 60)
    time.sleep(0.5)
    again = [Plot(c) for c in changes(app, mark)]
    for plot in again:
        g = plot.figures.generation
        expect(plot.generations[-(g - top + 1):] == list(range(top, g + 1)),
               f"with the clock running again the plot has {plot.generations[-(g - top + 1):]} up to {g}")
    escape_and_keep_figures(app)


def announcements(app, since=0):
    return app.browser.js("return window.announcements.slice(arguments[0])", since)


def scenario_announce(app):
    """The live region tells the figures at most every 5 s and only when they
    changed: every 5 s while the clock runs, never while it is held and
    nothing changes, once after an edit. The figures' own text, which changes
    several times a second, is no live region."""
    camera = e2e.Camera()
    app.wait_grid(camera, what="the start grid")
    live = app.browser.js("""
        const live = document.getElementById('announce');
        const quiet = [];
        for (let e = document.getElementById('figures'); e; e = e.parentElement)
          if (e.hasAttribute('aria-live') || ['status', 'log', 'alert', 'timer'].includes(e.getAttribute('role')))
            quiet.push(e.tagName + '#' + e.id);
        return [live.getAttribute('aria-live'), live.id !== 'status', quiet];""")
    expect(live[0] == "polite" and live[1], f"the live region is {live}")
    expect(not live[2], f"the figures' text is inside live regions {live[2]}")
    app.key("v")
    time.sleep(16)
    heard = announcements(app)
    gaps = [b["at"] - a["at"] for a, b in zip(heard, heard[1:])]
    print(f"running: {len(heard)} announcements in 16 s, {[round(g) for g in gaps]} ms apart")
    expect(len(heard) >= 2, f"{len(heard)} announcements in 16 s of a running simulation")
    expect(all(g >= ANNOUNCE_EVERY_S * 1000 - 10 for g in gaps), f"announcements {gaps} ms apart")
    expect(all(a["text"] != b["text"] for a, b in zip(heard, heard[1:])), "an announcement said nothing new")
    for a in heard:
        expect(re.fullmatch(r"\d+ nodes?, \d+ particles?, \d+ tagged, generation \d+\.", a["text"]),
               f"an announcement says {a['text']!r}")

    # Held: at most the one that was due, then silence.
    app.click_plane(1, camera, 0, 0)
    time.sleep(ANNOUNCE_EVERY_S + 1)
    mark = len(announcements(app))
    time.sleep(11)
    quiet = announcements(app, mark)
    expect(not quiet, f"with nothing changing, the page announced {quiet}")
    app.key("c")
    time.sleep(ANNOUNCE_EVERY_S + 1)
    edit = announcements(app, mark)
    expect(len(edit) == 1 and ", 0 particles, 0 tagged," in edit[0]["text"], f"after C the page announced {edit}")
    escape_and_keep_figures(app)


def check_readout_layout(app, beside):
    got = web_touch.check_layout(app)
    r = app.browser.js("""
        const rect = id => { const r = document.getElementById(id).getBoundingClientRect();
                             return [r.x, r.y, r.width, r.height]; };
        const plot = document.getElementById('plot');
        return {figures: rect('figures'), plot: rect('plot'), canvas: rect('canvas'),
                role: plot.getAttribute('role'),
                name: document.getElementById(plot.getAttribute('aria-labelledby')).textContent,
                words: [...plot.querySelectorAll('text')].map(t => t.textContent).join(' '),
                hint: document.getElementById('hint').textContent,
                description: document.querySelector('meta[name=description]')?.content ?? ''};""")
    for what in ("figures", "plot"):
        web_touch.expect_inside(f"the {what}", r[what], got["viewport"])
    cx, cy, cw, ch = r["canvas"]
    fx, fy, fw, fh = r["figures"]
    px, py, pw, ph = r["plot"]
    if beside:
        expect(fx >= cx + cw, f"the figures at {r['figures']} are not beside the canvas")
    else:
        expect(fy >= cy + ch, f"the figures at {r['figures']} are not under the canvas")
    expect(py >= fy + fh and ph <= 100, f"the plot at {r['plot']} is not a small one under the figures")
    f = figures(app)
    expect(r["role"] == "img" and f"now {f.particles} particle" in r["name"],
           f"the plot's text alternative: {r['name']!r}")
    for word in ("particles", "tagged", "generations"):
        expect(word in r["words"], f"the plot's labels {r['words']!r} lack {word!r}")
    expect("figures" in r["hint"] and "plot" in r["hint"], f"the hint does not mention the figures: {r['hint']!r}")
    expect(len(r["description"]) > 50, f"the page's description is {r['description']!r}")


def scenario_layout_phone(app):
    """On an upright phone the figures and the plot are under the canvas and
    in view with every button, and the page does not scroll."""
    wait_reading(app, f"{NODES} nodes · ")
    check_readout_layout(app, beside=False)
    escape_and_keep_figures(app)


def scenario_layout_wide(app):
    """In a wide window they are in the column beside the canvas."""
    wait_reading(app, f"{NODES} nodes · ")
    check_readout_layout(app, beside=True)
    escape_and_keep_figures(app)


SCENARIOS = {"particles": scenario_particles, "nodes": scenario_nodes, "generations": scenario_generations,
             "merge": scenario_merge, "plot": scenario_plot, "announce": scenario_announce,
             "layout_phone": scenario_layout_phone, "layout_wide": scenario_layout_wide}
VIEWPORTS = {"layout_phone": (*web_touch.PHONE, True), "layout_wide": (*web_touch.WIDE, 1, False)}


def main(argv):
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        print(__doc__)
        print("scenarios:", " ".join(SCENARIOS))
        return 2
    folder, name = argv[1], argv[2]
    if not os.path.isfile(os.path.join(folder, "lattice-gas.wasm")):
        print(f"SKIPPED: no web build in {folder}: cmake --preset web && cmake --build --preset web")
        return 77
    t0 = time.monotonic()
    app = None

    def body(browser, site):
        nonlocal app
        width, height, scale, mobile = VIEWPORTS.get(name, (*web.VIEWPORT, 1, False))
        browser.set_viewport(width, height, scale, mobile)
        if mobile:
            browser.enable_touch()
        app = open_page(browser, site)
        SCENARIOS[name](app)

    try:
        web.run_with_site(folder, body)
    except Failure as e:
        print(f"FAIL [web readout {name}]: {e}")
        if app is not None and app.last is not None:
            path = os.path.abspath(f"web-readout-{name}-last.ppm")
            app.save(path)
            print(f"last screenshot: {path}")
        return 1
    print(f"ok [web readout {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
