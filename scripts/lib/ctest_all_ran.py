#!/usr/bin/env python3
"""Fails unless every test in a ctest JUnit report ran.

ctest counts a test that exits with its SKIP_RETURN_CODE (77 here: a build or
tool it needs is missing) as skipped, a disabled test as not run, and neither
as a failure; GoogleTest's GTEST_SKIP even passes. For scripts/test each of
them is a failure: this lists every such test with its output, which says why,
and exits 1. A report with no test at all fails as well.

usage: ctest_all_ran.py JUNIT.xml
"""
import sys
import xml.etree.ElementTree as ElementTree

# GoogleTest's line for a skipped test; ctest 3.25 sees the test pass.
GTEST_SKIPPED = "[  SKIPPED ]"
# A test says why it skips first; the rest of a long output is in the report.
MAX_LINES = 20


def not_run(testcase):
    """Why the test did not run, or None when it ran (passed or failed)."""
    status = testcase.get("status", "")
    output = testcase.findtext("system-out") or ""
    if status == "fail":
        return None
    if status == "run":
        if any(line.startswith(GTEST_SKIPPED) for line in output.splitlines()):
            return "GTEST_SKIP"
        return None
    skipped = testcase.find("skipped")
    if skipped is not None and skipped.get("message"):
        return skipped.get("message")
    return status or "no status"


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    try:
        cases = ElementTree.parse(argv[1]).getroot().iter("testcase")
    except (OSError, ElementTree.ParseError) as error:
        print(f"no test report from ctest ({argv[1]}): {error}", file=sys.stderr)
        return 1
    ran = 0
    missed = []
    for case in cases:
        why = not_run(case)
        if why is None:
            ran += 1
        else:
            missed.append((case.get("name"), why, case.findtext("system-out") or ""))
    if ran == 0 and not missed:
        print(f"{argv[1]}: no test at all", file=sys.stderr)
        return 1
    if not missed:
        print(f"every test ran ({ran})")
        return 0
    print(f"\n{len(missed)} test(s) did not run, which fails this run (every test must run here):")
    for name, why, output in missed:
        print(f"  {name} ({why}):")
        lines = output.rstrip("\n").splitlines() or ["(no output)"]
        for line in lines[:MAX_LINES]:
            print(f"      {line}")
        if len(lines) > MAX_LINES:
            print(f"      ... {len(lines) - MAX_LINES} more lines")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
