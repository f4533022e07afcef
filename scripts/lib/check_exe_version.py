#!/usr/bin/python3
"""Checks the version resource of a Windows program, as wrestool --raw
--type=16 extracts it: the numeric and text versions are VERSION, the product
and file names are ours and the copyright names the MIT licence. Prints what
is wrong and exits 1.

    check_exe_version.py VERSION_RESOURCE_FILE VERSION
"""
import struct, sys
data = open(sys.argv[1], "rb").read()
version = sys.argv[2]

def node(at):
    """One VS_VERSIONINFO-style node: (key, value, children, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    p = at + 6
    k = p
    while data[k:k + 2] != b"\0\0":
        k += 2
    key = data[p:k].decode("utf-16-le")
    p = (k + 2 + 3) & ~3
    if kind == 1:  # text, value_length counts UTF-16 units with the NUL
        value = data[p:p + 2 * value_length].decode("utf-16-le").rstrip("\0")
        p += 2 * value_length
    else:
        value = data[p:p + value_length]
        p += value_length
    p = (p + 3) & ~3
    children = []
    while p < end:
        child = node(p)
        children.append(child)
        p = (child[3] + 3) & ~3
    return key, value, children, end

if len(data) < 6:
    sys.exit("no version resource")
key, fixed, children, _ = node(0)
strings = {}
def walk(n):
    for c in n[2]:
        if isinstance(c[1], str) and not c[2]:
            strings[c[0]] = c[1]
        walk(c)
walk((key, fixed, children, 0))
signature, _, ms, ls, pms, pls = struct.unpack_from("<IIIIII", fixed, 0)
numbers = [int(n) for n in version.split(".")] + [0]
want_ms, want_ls = numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]
problems = []
if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
    problems.append("not a version resource")
if (ms, ls) != (want_ms, want_ls) or (pms, pls) != (want_ms, want_ls):
    problems.append("numeric file/product version is not " + version)
for name, want in (("FileVersion", version), ("ProductVersion", version),
                   ("ProductName", "Lattice gas"), ("OriginalFilename", "lattice-gas.exe")):
    if strings.get(name) != want:
        problems.append(f"{name} is {strings.get(name)!r}, not {want!r}")
if "MIT" not in strings.get("LegalCopyright", ""):
    problems.append("LegalCopyright does not name the MIT licence")
if not strings.get("FileDescription"):
    problems.append("no FileDescription")
for p in problems:
    print(p, file=sys.stderr)
sys.exit(1 if problems else 0)
