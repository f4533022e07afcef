#!/usr/bin/env python3
"""Every compile command of a build keeps float arithmetic exact.

The geometry relies on each float operation rounding on its own, so every C
and C++ compile command in the build's compile_commands.json must end up with
-ffp-contract=off and -fno-fast-math: the last -ffp-contract= is off, no
-ffast-math or -Ofast comes after -fno-fast-math. The probe, a target built
without latticegas_warnings, must be among them, so that the check cannot
pass on targets that only happen to get the flags from that helper.

usage: float_flags_check.py BUILD_FOLDER
Exit code 77 (skipped) when the folder holds no compile_commands.json.
"""
import json
import os
import shlex
import sys

PROBE = "float_flags_probe.cpp"
# What a C or C++ compiler compiles; the Windows build's resource script goes
# to windres, which neither takes nor needs the flags.
SOURCES = (".c", ".cc", ".cpp", ".cxx")


def problems(arguments):
    """What is wrong with one compile command's float flags, or []."""
    contract = None
    no_fast_math = False
    found = []
    for argument in arguments:
        if argument.startswith("-ffp-contract="):
            contract = argument.split("=", 1)[1]
        elif argument == "-fno-fast-math":
            no_fast_math = True
        elif argument in ("-ffast-math", "-Ofast"):
            no_fast_math = False
            found.append(argument)
    if contract != "off":
        found.append(f"-ffp-contract={contract}" if contract else "no -ffp-contract=off")
    if not no_fast_math:
        found.append("no -fno-fast-math after the last fast-math flag")
    return found


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-2])
    database = os.path.join(argv[1], "compile_commands.json")
    if not os.path.isfile(database):
        print(f"SKIPPED: no compile_commands.json in {argv[1]} (configure that build first)")
        return 77
    with open(database) as f:
        entries = json.load(f)
    bad = []
    probes = 0
    checked = 0
    for entry in entries:
        arguments = entry.get("arguments") or shlex.split(entry["command"])
        source = entry["file"]
        if not source.endswith(SOURCES):
            continue
        checked += 1
        probes += os.path.basename(source) == PROBE
        found = problems(arguments)
        if found:
            bad.append(f"{source}: {', '.join(found)}")
    if probes == 0:
        print(f"{database}: no compile command for {PROBE}, the target without latticegas_warnings")
        return 1
    if bad:
        print(f"{len(bad)} of {checked} C and C++ compile commands in {database} may fuse or reorder floats:")
        print("\n".join(f"  {line}" for line in bad))
        return 1
    print(f"{checked} C and C++ compile commands in {database}, {PROBE} among them: "
          "all with -ffp-contract=off -fno-fast-math")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
