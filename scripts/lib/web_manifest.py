#!/usr/bin/python3
"""Checks the web edition's manifest in a site folder: valid JSON, the fields
an installed page needs, and each icon a PNG file of its stated size; and
that the service worker names the version, after which its cache is named.

    web_manifest.py SITE_FOLDER VERSION
"""
import json
import os
import struct
import sys

PNG = b"\x89PNG\r\n\x1a\n"


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != PNG or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def problems(folder):
    try:
        with open(os.path.join(folder, "manifest.webmanifest"), encoding="utf-8") as f:
            manifest = json.load(f)
    except (OSError, ValueError) as e:
        return [f"manifest.webmanifest: {e}"]
    found = []
    for field, value in (("name", "Lattice gas"), ("start_url", "./"), ("scope", "./"),
                         ("display", "standalone")):
        if manifest.get(field) != value:
            found.append(f"{field} is {manifest.get(field)!r}, expected {value!r}")
    for field in ("short_name", "background_color", "theme_color"):
        if not manifest.get(field):
            found.append(f"no {field}")
    sizes = set()
    for icon in manifest.get("icons", []):
        src, stated = icon.get("src", ""), icon.get("sizes", "")
        path = os.path.join(folder, src)
        if not src or os.path.isabs(src) or "//" in src or not os.path.isfile(path):
            found.append(f"icon {src!r} is not a file beside the page")
            continue
        actual = png_size(path)
        if actual is None or icon.get("type") != "image/png":
            found.append(f"icon {src!r} is not a PNG")
        elif stated != f"{actual[0]}x{actual[1]}":
            found.append(f"icon {src!r} is {actual[0]}x{actual[1]}, stated {stated!r}")
        else:
            sizes.add(stated)
    for need in ("192x192", "512x512"):
        if need not in sizes:
            found.append(f"no {need} icon")
    return found


def worker_problems(folder, version):
    try:
        with open(os.path.join(folder, "service-worker.js"), encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        return [f"service-worker.js: {e}"]
    return [] if f"const VERSION = '{version}';" in text else [f"service-worker.js does not name {version}"]


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    found = problems(argv[1]) + worker_problems(argv[1], argv[2])
    for p in found:
        print(f"web site: {p}", file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
