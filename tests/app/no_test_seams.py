#!/usr/bin/env python3
"""The shipped programs carry no test seam: nothing from tests/ or bench/ is
linked into them, and no function of our libraries is there for tests alone.
Both are read from the linker maps that every build writes into its
link-maps/ folder (see the top-level CMakeLists.txt), not from names:

  linked  Every input file of the program (native, Windows, web): none may
          come from a tests/ or bench/ folder of the build, whether an object
          of a test target or a test source compiled into the program.
          Control: the scene probe, a test program built in all three, must
          show its own tests/ object in its map.
  called  Every symbol that one of our libraries (liblatticegas_*.a)
          defines and that an object of tests/ or bench/ refers to, in the
          linker's cross reference of each test and benchmark program
          (native and Windows; the web's linker makes none), must be one that
          a shipped program uses: referred to from another file of the native
          or Windows program, called or inlined inside its own object (read
          from that object's relocations and debug information), or kept by
          the web program's linker, which drops every function nothing
          reaches. Type information and virtual tables do not count.
          Control: latticegas_win32::TouchGestures, which only the web
          program and the tests call, must show as called by tests alone
          until the web program's map is read.
What the linker never sees, it cannot judge: a function written whole in a
header (inlined wherever it is called), or a virtual function that only a
test's class overrides.

    no_test_seams.py NATIVE_BUILD WINDOWS_BUILD WEB_BUILD

Exit 0 when every build was looked at and none carries a seam; 1 when one
does or a control fails; 77, with the reason, when a build to look at is
missing (after looking at the others).
"""

import collections
import os
import re
import subprocess
import sys
import tempfile

PROGRAM = "lattice-gas"
PROBE = "scene_probe"
OURS = re.compile(r"(?:^|/)liblatticegas_\w+\.a\(([^)]+)\)$")
TEST_FOLDER = re.compile(r"(?:^|/)(?:tests|bench)/")
NOT_CODE = ("typeinfo for ", "typeinfo name for ", "vtable for ", "VTT for ",
            "construction vtable for ", "guard variable for ")
CONTROL = "latticegas_win32::TouchGestures::Down"


class Map:
    """One GNU ld map (-Map, --cref) or wasm-ld map (--print-map)."""

    def __init__(self, build, name):
        self.build = build
        self.name = name
        with open(os.path.join(build, "link-maps", name + ".map"), errors="replace") as f:
            self.lines = f.read().split("\n")
        self.wasm = bool(self.lines) and self.lines[0].split() == ["Addr", "Off", "Size", "Out", "In", "Symbol"]

    def relative(self, path):
        """The path from the build folder, or None for one outside it."""
        if os.path.isabs(path):
            path = os.path.normpath(path)
            root = os.path.normpath(os.path.abspath(self.build)) + os.sep
            return path[len(root):] if path.startswith(root) else None
        return path

    def inputs(self):
        """Every file the link took from the build folder."""
        found = set()
        if self.wasm:
            for entry, _ in self.wasm_entries():
                found.add(entry.rsplit(":(", 1)[0])
        else:
            # The archive members taken, listed first; then every input file
            # loaded, in the memory map.
            members = bool(self.lines) and self.lines[0].startswith("Archive member included")
            for line in self.lines[1:]:
                if line == "Cross Reference Table":
                    break
                if line in ("Discarded input sections", "Allocating common symbols",
                            "Memory Configuration", "Linker script and memory map"):
                    members = False
                elif members and re.match(r"^\S+\.a\(\S+\)$", line):
                    found.add(line.strip())
                elif line.startswith("LOAD "):
                    found.add(line[5:].strip())
        return {r for r in (self.relative(p) for p in found) if r is not None}

    def cross_reference(self):
        """{symbol: (defining files, referring files)}, names demangled."""
        table = collections.defaultdict(lambda: (set(), set()))
        try:
            start = self.lines.index("Cross Reference Table") + 3
        except ValueError:
            return None
        symbol = None
        for line in self.lines[start:]:
            if not line.strip():
                continue
            if line[0] != " ":
                symbol, _, where = line.rstrip().rpartition(" ")
                symbol = symbol.strip()
                table[symbol][0].add(where)
            elif symbol is not None:
                table[symbol][1].add(line.strip())
        return table

    def wasm_entries(self):
        """(input, symbol) for each piece of a wasm-ld map: `file:(mangled)` in
        its In column, then its symbols, demangled, in the Symbol column."""
        header = self.lines[0]
        at_input, at_symbol = header.index(" In ") + 1, header.index("Symbol")
        entry = None
        for line in self.lines[1:]:
            if len(line) > at_input and line[at_input] != " " and line[at_input - 1] == " ":
                entry = line[at_input:]
                yield entry, None
            elif entry is not None and len(line) > at_symbol and line[at_symbol - 1] == " ":
                yield entry, line[at_symbol:]
            else:
                entry = None

    def web_functions(self):
        """Qualified names of the functions of our libraries the web's linker kept."""
        return {qualified(symbol) for entry, symbol in self.wasm_entries()
                if symbol is not None and OURS.search(entry.rsplit(":(", 1)[0])}


def qualified(symbol):
    """A demangled name without its parameters, for names from builds whose
    types differ (the web's standard library is another)."""
    return symbol.split("(", 1)[0]


def used_inside(build, member):
    """Demangled names that the archive member `member` (archive(object))
    calls or inlines itself: its relocations, and the inlined subroutines of
    its debug information."""
    archive, obj = re.match(r"^(.*\.a)\((.+)\)$", member).groups()
    data = subprocess.run(["ar", "p", os.path.join(build, archive), obj], capture_output=True,
                          check=True).stdout
    handle, path = tempfile.mkstemp(suffix=".o")
    with os.fdopen(handle, "wb") as f:
        f.write(data)
    # The Windows build's objects are PE-COFF, and show little: its assembler
    # resolves calls within an object itself and its Release build has no
    # debug information. No Windows test program links our libraries yet,
    # which the look prints.
    objdump = "x86_64-w64-mingw32-objdump" if obj.endswith(".obj") else "objdump"
    try:
        relocations = subprocess.run([objdump, "-r", path], capture_output=True, text=True,
                                     check=True).stdout
        mangled = set(re.findall(r"(?:R_|IMAGE_REL_)\S+\s+(_Z[^\s+-]+)", relocations))
        info = subprocess.run([objdump, "--dwarf=info", path], capture_output=True, text=True,
                              check=True).stdout
    finally:
        os.remove(path)
    # Each DIE's offset, tag and the attributes that lead to a linkage name.
    dies, current = {}, None
    for line in info.split("\n"):
        head = re.match(r"^\s*<\d+><([0-9a-f]+)>: Abbrev Number: \d+ \((\w+)\)", line)
        if head:
            current = dies.setdefault(int(head.group(1), 16), {"tag": head.group(2)})
            continue
        attribute = re.match(r"^\s*<[0-9a-f]+>\s+(DW_AT_\w+)\s*:\s*(.*)$", line)
        if attribute and current is not None:
            name, value = attribute.groups()
            if name in ("DW_AT_abstract_origin", "DW_AT_specification"):
                ref = re.search(r"<0x([0-9a-f]+)>", value)
                if ref:
                    current[name] = int(ref.group(1), 16)
            elif name in ("DW_AT_linkage_name", "DW_AT_MIPS_linkage_name"):
                current["linkage"] = value.rsplit(": ", 1)[-1].strip()

    def linkage(offset, depth=0):
        die = dies.get(offset)
        if die is None or depth > 8:
            return None
        if "linkage" in die:
            return die["linkage"]
        for via in ("DW_AT_abstract_origin", "DW_AT_specification"):
            if via in die:
                return linkage(die[via], depth + 1)
        return None

    for die in dies.values():
        if die["tag"] == "DW_TAG_inlined_subroutine" and "DW_AT_abstract_origin" in die:
            name = linkage(die["DW_AT_abstract_origin"])
            if name:
                mangled.add(name)
    if not mangled:
        return set()
    names = sorted(mangled)
    demangled = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True,
                               check=True).stdout.split("\n")
    return set(demangled[:len(names)])


class Look:
    def __init__(self):
        self.failed = False
        self.missing = []

    def ok(self, text):
        print("ok: " + text)

    def fail(self, text):
        print("FAIL: " + text)
        self.failed = True


def look_linked(look, label, build):
    program = Map(build, PROGRAM)
    probe_path = os.path.join(build, "link-maps", PROBE + ".map")
    if not os.path.exists(probe_path):
        look.fail(f"{label}: no map of the control, the scene probe ({probe_path})")
    else:
        probe = sorted(p for p in Map(build, PROBE).inputs() if TEST_FOLDER.search(p))
        if probe:
            look.ok(f"{label}: the look finds the scene probe's own {probe[0]}")
        else:
            look.fail(f"{label}: the look finds no tests/ object even in the scene probe's map")
    inputs = program.inputs()
    from_tests = sorted(p for p in inputs if TEST_FOLDER.search(p))
    if not inputs:
        look.fail(f"{label}: no input file found in the program's map")
    elif from_tests:
        look.fail(f"{label}: the program links " + ", ".join(from_tests))
    else:
        look.ok(f"{label}: the program links none of tests/ or bench/ ({len(inputs)} files of the build)")
    return program


def called_by_tests(build):
    """(symbol, defining member, program, referring object) for each symbol of
    our libraries that an object of tests/ or bench/ refers to, from the
    cross reference of every other program of the build."""
    folder = os.path.join(build, "link-maps")
    found = []
    for file in sorted(os.listdir(folder)):
        if not file.endswith(".map") or file == PROGRAM + ".map":
            continue
        table = Map(build, file[:-4]).cross_reference()
        for symbol, (defined, referring) in (table or {}).items():
            if symbol.startswith(NOT_CODE):
                continue
            ours = sorted(d for d in defined if OURS.search(d))
            tests = sorted(r for r in referring if TEST_FOLDER.search(r))
            if ours and tests:
                found.append((symbol, ours[0], file[:-4], tests[0]))
    return found


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    native, windows, web = argv[1:]
    look = Look()
    builds = []
    for label, build, preset in (("native", native, "native"), ("Windows", windows, "windows"),
                                 ("web", web, "web")):
        if os.path.exists(os.path.join(build, "link-maps", PROGRAM + ".map")):
            builds.append((label, build))
        else:
            look.missing.append(f"no {label} build with link maps at {build} (build the {preset} preset)")
    programs = {label: look_linked(look, label, build) for label, build in builds}

    if "native" in programs:
        references = [m.cross_reference() for label, m in programs.items() if not m.wasm]
        if any(r is None for r in references):
            look.fail("a program's map holds no cross reference (--cref)")
            references = [r for r in references if r is not None]
        web_kept = programs["web"].web_functions() if "web" in programs else None

        def program_refers(symbol):
            return any(r.get(symbol, (set(), set()))[1] for r in references)

        suspects = []
        for label, build in builds:
            if label == "web":
                continue
            calls = called_by_tests(build)
            print(f"{label}: {len({c[0] for c in calls})} symbols of our libraries referred to by tests or "
                  f"benchmarks, in {len({c[2] for c in calls})} programs")
            suspects += [c + (build,) for c in calls if not program_refers(c[0])]

        control = [s for s in suspects if qualified(s[0]) == CONTROL]
        if control:
            look.ok(f"the look sees that the native and Windows programs never call {control[0][0]}, "
                    f"which {control[0][2]} does")
        else:
            look.fail(f"the control {CONTROL} (called by the web program and the tests only) is not seen "
                      "as uncalled by the native program: the look proves nothing")
        if web_kept is not None:
            if CONTROL in web_kept:
                look.ok(f"the look sees the web program keep {CONTROL}")
            else:
                look.fail(f"the web program's map does not show {CONTROL}: the look at it proves nothing")
            suspects = [s for s in suspects if qualified(s[0]) not in web_kept]

        inside = {}
        only_tests = []
        for symbol, member, program, referrer, build in suspects:
            if (build, member) not in inside:
                inside[(build, member)] = used_inside(build, member)
            if symbol not in inside[(build, member)]:
                only_tests.append((symbol, member, program, referrer))
        callers = collections.defaultdict(list)
        for symbol, member, program, referrer in only_tests:
            callers[(symbol, member)].append(f"{program}'s {referrer}")
        for (symbol, member), where in sorted(callers.items()):
            where = ", ".join(sorted(set(where)))
            if web_kept is None:
                print(f"not judged without the web program: {symbol} ({member}), called by {where}")
            else:
                look.fail(f"only tests or benchmarks call {symbol} ({member}): {where}")
        if not only_tests:
            look.ok("every function of our libraries that tests or benchmarks call, a shipped program uses")
        elif web_kept is None:
            look.missing.append("the functions above may be the web program's: its map is needed to judge them")

    if look.failed:
        return 1
    if look.missing:
        for reason in look.missing:
            print("SKIP: " + reason)
        return 77
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
