# shellcheck shell=bash
# ctest as scripts/test runs it, where every test must run; sourced by
# scripts/test, which runs from the repository root and sets root=$PWD.
#
# A plain ctest reports a test that exits 77 (a build or tool it needs is
# missing) as skipped, with its reason, and passes. Here a skipped or disabled
# test fails the run, listed with its output (scripts/lib/ctest_all_ran.py),
# and so does a selection that matches no test.

# latticegas_ctest NAME CTEST-ARGUMENTS...
# Runs ctest with the arguments, its JUnit report in build/ctest-NAME.xml;
# fails when a test fails or does not run.
latticegas_ctest() {
  # shellcheck disable=SC2154  # root comes from the sourcing script
  local report=$root/build/ctest-$1.xml rc=0
  shift
  mkdir -p "$root/build"
  rm -f "$report"
  # The middle of a long output goes, not its end: GoogleTest says at the end
  # whether a test skipped.
  ctest "$@" --no-tests=error --output-junit "$report" --test-output-truncation middle || rc=$?
  python3 "$root/scripts/lib/ctest_all_ran.py" "$report" || rc=1
  return "$rc"
}
