#!/usr/bin/python3
"""Checks the installed icons of the desktop entry's Icon name under a hicolor
theme folder: the scalable one is an SVG, and each PNG size is a PNG of that
size. Prints what is wrong and exits 1.

    check_icons.py HICOLOR_FOLDER ICON_NAME
"""
import pathlib, struct, sys
base, name = pathlib.Path(sys.argv[1]), sys.argv[2]
bad = []
if not (base / "scalable/apps" / f"{name}.svg").read_text().lstrip().startswith("<?xml"):
    bad.append("scalable icon is not an SVG")
for n in (16, 32, 48, 64, 128, 256):
    data = (base / f"{n}x{n}/apps/{name}.png").read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        bad.append(f"{n}x{n}: not a PNG")
        continue
    w, h = struct.unpack(">II", data[16:24])
    if (w, h) != (n, n):
        bad.append(f"{n}x{n}: the picture is {w}x{h}")
for b in bad:
    print(b, file=sys.stderr)
sys.exit(1 if bad else 0)
