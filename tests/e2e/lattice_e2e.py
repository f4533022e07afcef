#!/usr/bin/env python3
"""Drives the lattice-gas program as a user would, on the current X display:
real key presses and clicks through XTest (xdotool), real screenshots of its
window (ImageMagick's import), and checks what the picture shows.

    lattice_e2e.py [--boxes-on-stderr=PROGRAM] native|wine SCENARIO PROGRAM [CLOSE_HELPER]

PROGRAM is the native executable or, for wine, the Windows .exe. CLOSE_HELPER
sends the window manager's close request (there is no window manager here).
--boxes-on-stderr names the native program built with the tests' entry, whose
message boxes go to standard error at once; no_gl reads its box's text there.

Points are chosen in the lattice plane and projected with the program's fixed
camera (looking straight at the plane z = 0, vertical field of view 0.3 pi,
1024x768 back buffer). Under Wine the window's client area is a little smaller
than the back buffer, which is stretched onto it, so every back-buffer pixel is
scaled to the window before it is clicked or looked at.

Every wait is bounded: a program that hangs or never draws fails the scenario.
"""

import math
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Lattice gas simulation"
BB_W, BB_H = 1024, 768
M22 = 1.0 / math.tan(0.15 * math.pi)  # projection scale of y
M11 = M22 / (1024.0 / 768.0)  # projection scale of x
SPACING = 5.0
DIRS = [(SPACING * math.cos(k * math.pi / 3), SPACING * math.sin(k * math.pi / 3)) for k in range(6)]
RINGS = 25

WINDOW_TIMEOUT = 60.0  # the first Wine start in a fresh prefix can be slow
PICTURE_TIMEOUT = 15.0
EXIT_TIMEOUT = 15.0


class Failure(Exception):
    pass


def run(args, timeout=15.0, check=True):
    try:
        result = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"{args[0]} did not finish within {timeout} s: {' '.join(args)}")
    if check and result.returncode != 0:
        raise Failure(f"{' '.join(args)} failed ({result.returncode}): {result.stderr.strip()}")
    return result


# ---------------------------------------------------------------- camera


class Camera:
    """The program's camera: only the eye moves; pan and zoom scale with its distance."""

    def __init__(self, x=0.0, y=0.0, z=-20.0):
        self.x, self.y, self.z = x, y, z

    def copy(self):
        return Camera(self.x, self.y, self.z)

    def pan_x(self, amount):
        self.x += abs(self.z) / 50.0 * amount
        return self

    def pan_y(self, amount):
        self.y += abs(self.z) / 50.0 * amount
        return self

    def zoom(self, amount):
        self.z += abs(self.z) / 10.0 * amount
        return self

    def to_pixel(self, x, y):
        """Plane point -> back-buffer pixel (float)."""
        d = -self.z
        return (BB_W / 2 * (1 + (x - self.x) * M11 / d), BB_H / 2 * (1 - (y - self.y) * M22 / d))

    def pixels_per_unit(self):
        return BB_W / 2 * M11 / -self.z


# ---------------------------------------------------------------- pictures


def is_black(p):
    return max(p) <= 24


def is_grey(p):
    return min(p) >= 50 and max(p) - min(p) <= 30


def is_red(p):
    return p[0] >= 80 and p[1] * 3 <= p[0] and p[2] * 3 <= p[0]


def is_blue(p):
    return p[2] >= 80 and p[0] * 3 <= p[2] and p[1] * 3 <= p[2]


class Picture:
    """One screenshot of the window (its client area), addressed in back-buffer pixels."""

    def __init__(self, ppm):
        # Binary PPM: "P6\n<w> <h>\n<max>\n" then RGB bytes.
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos : pos + 1].isspace():
                pos += 1
            if ppm[pos : pos + 1] == b"#":
                pos = ppm.index(b"\n", pos)
                continue
            end = pos
            while not ppm[end : end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure(f"unexpected screenshot format {fields}")
        self.w, self.h = int(fields[1]), int(fields[2])
        self.data = ppm[pos + 1 : pos + 1 + 3 * self.w * self.h]
        self.ppm = ppm
        if len(self.data) != 3 * self.w * self.h:
            raise Failure("short screenshot")

    def window_xy(self, bx, by):
        return (int(bx * self.w / BB_W), int(by * self.h / BB_H))

    def raw(self, wx, wy):
        i = 3 * (wy * self.w + wx)
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def around(self, bx, by, r):
        """Pixels of the window within r window pixels of back-buffer pixel (bx, by)."""
        cx, cy = self.window_xy(bx, by)
        out = []
        for wy in range(max(0, cy - r), min(self.h, cy + r + 1)):
            for wx in range(max(0, cx - r), min(self.w, cx + r + 1)):
                out.append(self.raw(wx, wy))
        return out

    def count(self, predicate):
        n = 0
        d = self.data
        for i in range(0, len(d), 3):
            if predicate((d[i], d[i + 1], d[i + 2])):
                n += 1
        return n

    def blob(self, predicate, skip=None):
        """Number and centroid (back-buffer pixels) of the pixels matching predicate,
        leaving out those for which skip(bx, by) is true."""
        n = sx = sy = 0
        d, w = self.data, self.w
        fx, fy = BB_W / self.w, BB_H / self.h
        for i in range(0, len(d), 3):
            if predicate((d[i], d[i + 1], d[i + 2])):
                j = i // 3
                bx, by = (j % w + 0.5) * fx, (j // w + 0.5) * fy
                if skip is not None and skip(bx, by):
                    continue
                n += 1
                sx += bx
                sy += by
        return (n, (sx / n, sy / n) if n else None)

    def differing(self, other):
        if (self.w, self.h) != (other.w, other.h):
            return self.w * self.h
        a, b = self.data, other.data
        return sum(1 for i in range(0, len(a), 3) if a[i : i + 3] != b[i : i + 3])


# ---------------------------------------------------------------- the lattice as drawn


def lattice_points(camera, margin=12, removed=()):
    """What the start grid must show with this camera: the centre points of links
    (grey) and of triangles (black) that project inside the picture. Links of the
    nodes in removed are left out and their places expected black instead."""
    ppu = camera.pixels_per_unit()
    reach = int(max(BB_W, BB_H) / ppu / SPACING) + 3
    ci = int(round(camera.x / SPACING))
    cj = int(round(camera.y / (SPACING * math.sin(math.pi / 3))))
    grey, black = [], []

    def inside(px):
        return margin <= px[0] < BB_W - margin and margin <= px[1] < BB_H - margin

    for j in range(cj - reach, cj + reach + 1):
        for i in range(ci - reach - abs(j), ci + reach + 1):
            # Axial lattice coordinates (i, j): node = i * d0 + j * d1.
            if max(abs(i), abs(j), abs(i + j)) > RINGS:
                continue
            nx = i * DIRS[0][0] + j * DIRS[1][0]
            ny = i * DIRS[0][1] + j * DIRS[1][1]
            for k in (0, 1, 2):
                mx, my = nx + DIRS[k][0], ny + DIRS[k][1]
                gone = any(
                    abs(rx - x) < 1e-6 and abs(ry - y) < 1e-6 for rx, ry in removed for x, y in ((nx, ny), (mx, my))
                )
                px = camera.to_pixel((nx + mx) / 2, (ny + my) / 2)
                if inside(px):
                    (black if gone else grey).append(px)
            # The two triangles to the upper right of the node.
            for ox, oy in ((2.5, SPACING * math.sqrt(3) / 6), (5.0, SPACING * math.sqrt(3) / 3)):
                px = camera.to_pixel(nx + ox, ny + oy)
                if inside(px):
                    black.append(px)
    for rx, ry in removed:
        px = camera.to_pixel(rx, ry)
        if inside(px):
            black.append(px)
    return grey, black


def grid_mismatches(picture, camera, removed=()):
    grey, black = lattice_points(camera, removed=removed)
    bad = [("grey", p) for p in grey if not any(is_grey(q) for q in picture.around(p[0], p[1], 1))]
    bad += [("black", p) for p in black if not all(is_black(q) for q in picture.around(p[0], p[1], 2))]
    return bad, len(grey) + len(black)


# ---------------------------------------------------------------- the program


def windows_named(name):
    """Top-level windows with this exact name. xwininfo rather than xdotool: SDL's
    message box names its window only in UTF-8, which xdotool's search skips."""
    r = run(["xwininfo", "-root", "-children"], check=False)
    out = []
    for line in r.stdout.splitlines():
        m = re.match(r'\s+(0x[0-9a-f]+) "(.*)": ', line)
        if m and m.group(2) == name and viewable(m.group(1)):
            out.append(m.group(1))
    return out


def viewable(wid):
    """Mapped and on screen: a window is named before it is mapped, and the
    focus cannot go to it (BadMatch) nor a screenshot be taken until then."""
    r = run(["xwininfo", "-id", wid], check=False)
    return r.returncode == 0 and "Map State: IsViewable" in r.stdout


class App:
    def __init__(self, build, program, close_helper=None, extra_env=None, boxes_on_stderr=None):
        self.build = build
        self.program = program
        self.close_helper = close_helper
        self.boxes_on_stderr = boxes_on_stderr
        if build == "wine" and not os.path.isfile(program):
            raise Failure(f"no Windows build at {program}: build it with the windows preset")
        if not os.path.isfile(program):
            raise Failure(f"no program at {program}")
        env = dict(os.environ)
        for k, v in (extra_env or {}).items():
            if v is None:
                env.pop(k, None)
            else:
                env[k] = v
        self.env = env
        self.tmp = tempfile.mkdtemp(prefix="lattice-e2e-")
        self.out = open(os.path.join(self.tmp, "stdout"), "w+b")
        self.err = open(os.path.join(self.tmp, "stderr"), "w+b")
        args = ["wine", program] if build == "wine" else [program]
        self.started = time.monotonic()
        try:
            self.proc = subprocess.Popen(args, stdout=self.out, stderr=self.err, stdin=subprocess.DEVNULL, env=env)
        except OSError as e:
            raise Failure(f"could not start {args[0]}: {e}")
        self.wid = None
        self.last = None

    # -- process

    def stderr_text(self):
        self.err.flush()
        with open(self.err.name, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def wait_exit(self, timeout=EXIT_TIMEOUT):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program was still running {timeout} s after it was told to end")

    def kill(self):
        """Ends the program if it still runs, and removes its captured output."""
        if self.proc.poll() is None:
            self.proc.kill()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        self.out.close()
        self.err.close()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def alive(self):
        if self.proc.poll() is not None:
            raise Failure(f"the program ended unexpectedly with exit code {self.proc.returncode}\n{self.stderr_text()}")

    # -- window

    def find_window(self, name=TITLE, timeout=WINDOW_TIMEOUT):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.alive()
            ids = windows_named(name)
            if ids:
                return ids[0]
            time.sleep(0.05)
        raise Failure(f"no window titled '{name}' within {timeout} s")

    def wait_window(self):
        self.wid = self.find_window()
        return self.wid

    def shot(self):
        self.alive()
        try:
            r = subprocess.run(["import", "-window", self.wid, "-depth", "8", "ppm:-"], capture_output=True, timeout=15)
        except subprocess.TimeoutExpired:
            raise Failure("import took longer than 15 s")
        if r.returncode != 0:
            raise Failure(f"screenshot failed: {r.stderr.decode(errors='replace').strip()}")
        self.last = Picture(r.stdout)
        return self.last

    def wait_picture(self, what, predicate, timeout=PICTURE_TIMEOUT):
        """Screenshots until predicate(picture) holds; returns that picture."""
        deadline = time.monotonic() + timeout
        while True:
            p = self.shot()
            if predicate(p):
                return p
            if time.monotonic() > deadline:
                raise Failure(f"within {timeout} s the picture never showed {what}")
            time.sleep(0.05)

    def wait_grid(self, camera, removed=(), what="the grid"):
        def matches(p):
            bad, _ = grid_mismatches(p, camera, removed)
            return not bad

        return self.wait_picture(f"{what} (eye {camera.x:.3f} {camera.y:.3f} {camera.z:.3f})", matches)

    def focus(self):
        # No window manager: put the pointer inside and give the window the focus.
        run(["xdotool", "mousemove", "--window", self.wid, "5", "5"])
        run(["timeout", "10", "xdotool", "windowfocus", "--sync", self.wid])

    def key(self, *keys, delay_ms=30):
        self.alive()
        run(["xdotool", "key", "--delay", str(delay_ms), *keys], timeout=60)

    def click(self, button, bx, by):
        """Clicks back-buffer pixel (bx, by), scaled to the window's client area."""
        self.alive()
        w, h = self.size()
        wx, wy = int(round(bx * w / BB_W)), int(round(by * h / BB_H))
        run(["xdotool", "mousemove", "--window", self.wid, str(wx), str(wy)])
        run(["xdotool", "click", str(button)])

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

    def escape_and_expect_zero(self):
        self.key("Escape")
        code = self.wait_exit()
        if code != 0:
            raise Failure(f"Escape: exit code {code}, expected 0\n{self.stderr_text()}")
        if windows_named(TITLE):
            raise Failure("the window is still there after the program ended")


# ---------------------------------------------------------------- checks


def expect(condition, message):
    if not condition:
        raise Failure(message)


def expect_control(app, reference, seconds, control):
    """The positive control of a check that the picture stood still for
    `seconds`: control = (what, send, changed). Input sent right after the check
    must change the picture (changed(picture, reference), else any difference)
    within the same time. Input is handled in order, and every frame is drawn
    anew, so this shows the program took the input before it and kept drawing
    while the picture stood still: a program that lost its input or stopped
    drawing would pass the check alone. Returns the changed picture."""
    what, send, changed = (*control, None)[:3]
    send()
    changed = changed or (lambda p, ref: p.differing(ref) > 0)
    return app.wait_picture(f"{what} (the control)", lambda p: changed(p, reference),
                            timeout=seconds)


def expect_frozen(app, seconds=0.6, control=None):
    """The picture stands still for `seconds`; then the control, if given (see
    expect_control). Returns the still picture. Without a control, the caller's
    next step must expect a change."""
    a = app.shot()
    time.sleep(seconds)
    b = app.shot()
    n = a.differing(b)
    expect(n == 0, f"the picture changed by {n} pixels in {seconds} s while it should stand still")
    if control is not None:
        expect_control(app, b, seconds, control)
    return b


def expect_unchanged(app, reference, what, control, seconds=0.6):
    """The picture after some input is still the reference taken before it;
    then the control (see expect_control), whose changed picture it returns."""
    time.sleep(seconds)
    n = app.shot().differing(reference)
    expect(n == 0, f"{what} changed {n} pixels of the picture")
    return expect_control(app, reference, seconds, control)


def wait_motion(app, reference, what):
    return app.wait_picture(what, lambda p: p.differing(reference) > 200)


def red_at(picture, bx, by, r=1):
    """Most of the pixels within r of the point are red (links may cross its rim)."""
    near = picture.around(bx, by, r)
    return sum(1 for q in near if is_red(q)) * 2 > len(near)


def particles(picture):
    return picture.count(is_blue), picture.count(is_red)


def start(app, camera):
    app.wait_window()
    app.wait_grid(camera, what="the start grid")
    app.focus()


# ---------------------------------------------------------------- scenarios


def scenario_startup(app):
    """The window, and the first picture: the grid grey on black, no particles."""
    started = app.started
    app.wait_window()
    name = run(["xdotool", "getwindowname", app.wid]).stdout.strip()
    expect(name == TITLE, f"window title '{name}'")
    if app.build == "native":
        cls = run(["xprop", "-id", app.wid, "WM_CLASS"]).stdout
        expect('"Lattice"' in cls, f"window class: {cls.strip()}")
    camera = Camera()
    p = app.wait_grid(camera, what="the start grid")
    print(f"grid visible {time.monotonic() - started:.2f} s after start")
    if app.build == "native":
        expect((p.w, p.h) == (BB_W, BB_H), f"client area {p.w}x{p.h}, expected 1024x768")
    else:
        # The outer size is 1024x768; the client area is that less the frame and caption.
        expect(900 <= p.w <= BB_W and 650 <= p.h <= BB_H, f"client area {p.w}x{p.h}")
    # The centre node sits in the middle of the view; the view is mostly black.
    cx, cy = camera.to_pixel(0, 0)
    expect(any(is_grey(q) for q in p.around(cx, cy, 1)), "no grey node at the centre of the view")
    black = p.count(is_black) / (p.w * p.h)
    expect(0.6 < black < 0.97, f"black part of the picture {black:.2f}")
    blue, red = particles(p)
    expect(blue == 0 and red == 0, f"particles before any were made: {blue} blue, {red} red pixels")
    app.focus()
    app.escape_and_expect_zero()


def scenario_particles(app):
    """V makes blue and red particles that move; C clears them."""
    camera = Camera()
    start(app, camera)
    # Zoom out a little so that enough particles are in view for both colours.
    app.key(*["f"] * 5)
    for _ in range(5):
        camera.zoom(-1)
    app.wait_grid(camera, what="the grid zoomed out")
    app.key("v")
    p = app.wait_picture("blue and red particles", lambda p: min(particles(p)) > 300)
    total = p.w * p.h
    blue, red = particles(p)
    expect(blue + red < total / 2, f"particles cover {blue + red} of {total} pixels")
    wait_motion(app, p, "the particles moving")
    q = app.shot()
    wait_motion(app, q, "the particles still moving")
    app.key("c")
    app.wait_picture("no particles after C", lambda p: max(particles(p)) == 0)
    # Nothing left to move: the grid stays put, until V brings particles.
    expect_frozen(app, 0.6, ("particles after V", lambda: app.key("v"),
                             lambda p, ref: sum(particles(p)) > 300))
    app.escape_and_expect_zero()


def scenario_select(app):
    """A left click near a node selects it (red) and freezes the simulation; a click
    on empty space clears the selection and the particles move again."""
    camera = Camera()
    start(app, camera)
    cx, cy = camera.to_pixel(0, 0)
    # Within the pick radius of the centre node, not on it.
    app.click_plane(1, camera, 0.5, -0.4)
    app.wait_picture("the selected centre node in red", lambda p: red_at(p, cx, cy))
    app.key("v")
    p = app.wait_picture("particles", lambda p: sum(particles(p)) > 300)
    p = expect_frozen(app)
    # Keys that do nothing to the picture with a node selected; Enter still
    # runs a generation.
    app.key("7", "8", "9", "shift", "Left")
    p = expect_unchanged(app, p, "7, 8, 9, Shift and Left",
                         ("the particles one generation on after Enter", lambda: app.key("Return")))
    p = expect_frozen(app)
    # The centre of a triangle: about 2.9 units from every node.
    app.click_plane(1, camera, 2.5, 5 * math.sqrt(3) / 6)
    wait_motion(app, p, "the particles moving again after the selection was cleared")
    app.key("c")
    app.wait_picture(
        "the centre node grey again, no particles",
        lambda p: max(particles(p)) == 0 and any(is_grey(q) for q in p.around(cx, cy, 1)),
    )
    app.escape_and_expect_zero()


def scenario_edit(app):
    """With a node selected: digits toggle red particles on it (0 and 6 both
    direction 0, 7 nothing), Enter runs one generation and the picture stands
    still again, D moves the node right and not the camera; Escape with the
    node still selected ends the program normally."""
    camera = Camera()
    start(app, camera)
    app.key(*["r"] * 5)
    for _ in range(5):
        camera.zoom(+1)
    app.wait_grid(camera, what="the grid zoomed in")
    ppu = camera.pixels_per_unit()
    cx, cy = camera.to_pixel(0, 0)
    app.click(1, cx, cy)
    p = app.wait_picture("the selected centre node in red", lambda p: red_at(p, cx, cy, 2))
    node_only = p.count(is_red)
    expect(node_only < 0.2 * math.pi * ppu * ppu, f"the selected node is {node_only} red pixels")
    ball = math.pi * ppu * ppu  # pixels of one particle (radius 1) seen head on

    def away_from_node(bx, by):
        return math.hypot(bx - cx, by - cy) < 0.25 * ppu

    # 1 toggles a tagged particle in direction 1 (60 degrees): drawn on the link
    # that leads into the node from direction 4, at the frozen phase.
    app.key("1")
    app.wait_picture("a red particle", lambda p: p.count(is_red) > node_only + 0.5 * ball)
    p = expect_frozen(app, 0.4)  # two equal pictures: this one is whole; Enter below changes it
    n, (x1, y1) = p.blob(is_red, skip=away_from_node)
    ux, uy = DIRS[1][0] * ppu, -DIRS[1][1] * ppu  # direction 1 in pixels (y down)
    along = ((x1 - cx) * ux + (y1 - cy) * uy) / (ux * ux + uy * uy)
    off = abs((x1 - cx) * uy - (y1 - cy) * ux) / math.hypot(ux, uy)
    expect(-1.05 <= along <= 0.05 and off < 0.2 * ppu, f"particle drawn at {x1:.0f},{y1:.0f}, off its link")

    # Enter: one generation; the particle moves one link along direction 1,
    # and the picture stands still again.
    app.key("Return")
    app.wait_picture("the particle after one step", lambda q: q.differing(p) > 100)
    p2 = expect_frozen(app, 0.6)  # whole, as above; 0 below changes it
    n2, c2 = p2.blob(is_red, skip=away_from_node)
    expect(c2 is not None, "the particle vanished after Enter")
    dx, dy = c2[0] - x1, c2[1] - y1
    expect(
        math.hypot(dx - ux, dy - uy) < 0.25 * ppu,
        f"Enter moved the particle by {dx:.0f},{dy:.0f} pixels, expected {ux:.0f},{uy:.0f}",
    )

    # 0 and 6 are both direction 0; 7 is no direction.
    before = p2.count(is_red)
    app.key("0")
    r = app.wait_picture("a particle from 0", lambda q: q.count(is_red) > before + 0.5 * ball)
    app.key("7")
    expect_unchanged(app, r, "7", ("the particle from 0 removed by 6", lambda: app.key("6"),
                                   lambda q, ref: q.differing(p2) == 0))

    # C clears; then D moves the selected node right by 0.05 a press, half a
    # unit in all: its neighbours stay within reach, so it keeps its links.
    app.key("c")
    app.wait_picture("only the selected node red", lambda q: q.count(is_red) == node_only)
    app.key(*["d"] * 10, delay_ms=15)
    mx, my = camera.to_pixel(0.5, 0.0)
    q = app.wait_picture(
        "the selected node 0.5 to the right", lambda q: red_at(q, mx, my, 2) and not red_at(q, cx, cy, 2)
    )
    # The camera did not move: the grid away from the moved node is where it was.
    far = [b for b in grid_mismatches(q, camera)[0] if math.hypot(b[1][0] - cx, b[1][1] - cy) > 5.5 * ppu]
    expect(not far, f"the grid moved with the node: {far[:3]}")
    app.escape_and_expect_zero()


def scenario_delete_add(app):
    """Delete removes the selected node and its links and lets the particles move
    again; a right click at its place adds a node that links to its neighbours."""
    camera = Camera()
    start(app, camera)
    cx, cy = camera.to_pixel(0, 0)
    app.click(1, cx, cy)
    app.wait_picture("the selected centre node in red", lambda p: red_at(p, cx, cy))
    app.key("v")
    app.wait_picture("particles", lambda p: sum(particles(p)) > 300)
    p = expect_frozen(app, control=("the particles moving again after Delete", lambda: app.key("Delete")))
    wait_motion(app, p, "the particles moving on after Delete")
    app.key("c")
    app.wait_picture("no particles", lambda p: max(particles(p)) == 0)
    p = app.wait_grid(camera, removed=[(0.0, 0.0)], what="the grid without the centre node and its links")
    # Delete again with nothing selected changes nothing.
    app.key("Delete", "q")
    expect_unchanged(app, p, "Delete and Q with nothing selected",
                     ("a node added by a right click", lambda: app.click(3, cx, cy)))
    app.wait_grid(camera, what="the full grid after the right click")
    app.escape_and_expect_zero()


def scenario_camera(app):
    """R, F and the wheel zoom about the view's centre; A, D, S, W pan when
    nothing is selected. After each step the grid is where the camera puts it,
    and no longer where it was."""
    camera = Camera()
    start(app, camera)
    cx, cy = camera.to_pixel(0, 0)
    steps = [
        (["r"], lambda c: c.zoom(+1)),
        (["r", "r"], lambda c: c.zoom(+1).zoom(+1)),
        (["f"], lambda c: c.zoom(-1)),
        (["button4"], lambda c: c.zoom(+1)),
        (["button5", "button5"], lambda c: c.zoom(-1).zoom(-1)),
        (["d"], lambda c: c.pan_x(+1)),
        (["a", "a", "a"], lambda c: c.pan_x(-1).pan_x(-1).pan_x(-1)),
        (["w"], lambda c: c.pan_y(+1)),
        (["s", "s", "s"], lambda c: c.pan_y(-1).pan_y(-1).pan_y(-1)),
    ]
    for keys, move in steps:
        before = camera.copy()
        move(camera)
        for k in keys:
            if k.startswith("button"):
                # The wheel goes to the window under the pointer.
                app.click(int(k[-1]), cx, cy)
            else:
                app.key(k)
        p = app.wait_grid(camera, what=f"the grid after {' '.join(keys)}")
        bad, total = grid_mismatches(p, before)
        expect(len(bad) > total // 10, f"after {' '.join(keys)} the picture still fits the old camera")
    app.escape_and_expect_zero()


def scenario_close(app):
    """The window manager's close request ends the program with exit code 0."""
    camera = Camera()
    start(app, camera)
    expect(app.close_helper is not None, "no close-request helper given")
    run([app.close_helper, app.wid])
    code = app.wait_exit()
    expect(code == 0, f"closing the window: exit code {code}")


def scenario_no_display(app):
    """Without a display the program says why on standard error and ends with exit code 1."""
    code = app.wait_exit(30)
    err = app.stderr_text()
    expect("Error: Failed: Direct3DCreate9 (in InitD3D)" in err, f"standard error: {err!r}")
    expect(code == 1, f"exit code {code}, expected 1")


def scenario_no_gl(app):
    """On a display without OpenGL (no GLX) the graphics cannot start: the program
    shows an error box titled Error and, once it is closed, ends with exit code 1."""
    box = app.find_window("Error")
    if app.build == "wine":
        # Wine's trace of the box's text (WINEDEBUG=trace+msgbox).
        deadline = time.monotonic() + 10
        while "MSGBOX_OnInit" not in app.stderr_text() and time.monotonic() < deadline:
            time.sleep(0.1)
        err = app.stderr_text()
        expect('L"Failed: Direct3DCreate9 (in InitD3D)"' in err, "the box does not say Failed: Direct3DCreate9")
    run(["xdotool", "mousemove", "--window", box, "5", "5"])
    run(["timeout", "10", "xdotool", "windowfocus", "--sync", box])
    # Still waiting for the user: the box keeps the program from ending.
    time.sleep(0.3)
    app.alive()
    run(["xdotool", "key", "Return"])
    code = app.wait_exit()
    expect(code == 1, f"exit code {code} after the box was closed, expected 1\n{app.stderr_text()}")
    if app.build == "native":
        # The box's text, from the program built with the tests' entry.
        expect(app.boxes_on_stderr is not None, "no --boxes-on-stderr program given")
        again = App("native", app.boxes_on_stderr)
        try:
            code = again.wait_exit(30)
            err = again.stderr_text()
        finally:
            again.kill()
        expect("Failed: CreateDevice (in InitD3D)" in err, f"standard error: {err!r}")
        expect(code == 1, f"exit code {code} with the box on standard error, expected 1")


class PrivateXvfb:
    """An X server of our own without the GLX extension. It picks a free display
    number itself and writes it once it accepts connections (-displayfd), and
    does not reset when its last client leaves (-noreset): a program connecting
    just then would otherwise find no display."""

    def __init__(self):
        self.proc = None
        read_end, write_end = os.pipe()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 "-extension", "GLX", "-noreset"],
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
                pass_fds=(write_end,),
            )
            os.close(write_end)
            write_end = None
            number = b""
            deadline = time.monotonic() + 10
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
                if not ready:
                    break
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        if not number.strip().isdigit():
            self.stop()
            raise Failure("could not start an X server without GLX")
        self.display = f":{number.decode().strip()}"
        r = subprocess.run(["xdpyinfo", "-display", self.display], capture_output=True, text=True)
        expect(r.returncode == 0, f"the private X server {self.display} does not answer")
        expect("GLX" not in r.stdout, "the private X server has GLX")

    def stop(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        self.proc = None


SCENARIOS = {
    "startup": scenario_startup,
    "particles": scenario_particles,
    "select": scenario_select,
    "edit": scenario_edit,
    "delete_add": scenario_delete_add,
    "camera": scenario_camera,
    "close": scenario_close,
    "no_display": scenario_no_display,
    "no_gl": scenario_no_gl,
}


def main(argv):
    boxes_on_stderr = None
    for option in [a for a in argv[1:] if a.startswith("--")]:
        name, _, value = option.partition("=")
        if name != "--boxes-on-stderr" or not value:
            print(__doc__)
            return 2
        boxes_on_stderr = value
        argv = [a for a in argv if a != option]
    if len(argv) < 4 or argv[1] not in ("native", "wine") or argv[2] not in SCENARIOS:
        print(__doc__)
        print("scenarios:", " ".join(SCENARIOS))
        return 2
    build, name, program = argv[1], argv[2], argv[3]
    close_helper = argv[4] if len(argv) > 4 else None
    # The Windows build is optional for a native build's tests: without it,
    # or without Wine, its scenarios are skipped (ctest's SKIP_RETURN_CODE).
    if build == "wine" and not os.path.isfile(program):
        print(f"SKIPPED: no Windows build of the program at {program} (build the windows preset)")
        return 77
    if build == "wine" and shutil.which("wine") is None:
        print("SKIPPED: wine is not installed")
        return 77
    extra = {}
    if name == "no_display":
        if build != "native":
            print("no_display is a native scenario")
            return 2
        extra = {"DISPLAY": None, "WAYLAND_DISPLAY": None}
    elif not os.environ.get("DISPLAY"):
        print("FAIL: no DISPLAY")
        return 1
    t0 = time.monotonic()
    app = None
    xvfb = None
    try:
        if name == "no_gl":
            xvfb = PrivateXvfb()
            extra = {"DISPLAY": xvfb.display}
            os.environ["DISPLAY"] = xvfb.display  # for xdotool and import too
            if build == "wine":
                extra["WINEDEBUG"] = "trace+msgbox"
        app = App(build, program, close_helper, extra, boxes_on_stderr)
        SCENARIOS[name](app)
    except Failure as e:
        print(f"FAIL [{build} {name}]: {e}")
        if app is not None and app.last is not None:
            path = os.path.abspath(f"e2e-{build}-{name}-last.ppm")
            app.save(path)
            print(f"last screenshot: {path}")
        if app is not None:
            err = app.stderr_text().strip()
            if err:
                print("--- program stderr (tail)\n" + "\n".join(err.splitlines()[-20:]))
        return 1
    finally:
        if app is not None:
            app.kill()
        if xvfb is not None:
            xvfb.stop()
    print(f"ok [{build} {name}] in {time.monotonic() - t0:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
