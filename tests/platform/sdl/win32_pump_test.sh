#!/usr/bin/env bash
# Drives the probe window with real X input (XTest, through xdotool) on the
# current DISPLAY and checks the messages its window procedure logged.
#   win32_pump_test.sh [wine-]input|[wine-]close <probe> <close-request helper>
# input: keys, clicks and wheel turns in order, then Escape ends the program.
# close: a window manager's close request ends it.
# wine-*: the same with the Windows build of the probe on the real Win32 under
# Wine, whose window frame makes the client area smaller than 1024x768 and
# whose WM_CLASS is the program's name; exit code 77 (skipped) without it.
# Every wait is bounded: a stuck probe fails the test.
set -euo pipefail
case_name=$1 probe=$2 close_request=$3
run=("$probe")
native=1
if [[ $case_name == wine-* ]]; then
  case_name=${case_name#wine-}
  native=0
  [ -f "$probe" ] || { echo "no Windows build of the probe: $probe"; exit 77; }
  command -v wine >/dev/null || { echo "no wine"; exit 77; }
  run=(wine "$probe")
fi

[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY"; exit 1; }
work=$(mktemp -d)
pid=
# xdotool presses Num Lock before every keypad key that needs it on, whatever
# its state, and never turns it off again: start from a known state, and leave
# the display's Num Lock off for the tests after this one.
num_lock_off() {
  if xset q | grep -q 'Num Lock: *on'; then xdotool key Num_Lock; fi
}
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  num_lock_off || true
  rm -rf "$work"
}
trap cleanup EXIT

title="Lattice pump probe $$"
LATTICEGAS_PROBE_TITLE=$title \
  timeout 60 "${run[@]}" >"$work/log" 2>"$work/err" &
pid=$!

# The log as lines without carriage returns (Windows writes CRLF).
log_text() { tr -d '\r' <"$work/log"; }

fail() {
  echo "FAIL: $*"
  echo "--- probe log"; cat "$work/log"
  echo "--- probe stderr"; cat "$work/err"
  exit 1
}

wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n 1) || true
[ -n "$wid" ] || fail "no window titled '$title' within 30 s"

# Waits (bounded) until the log holds a line, so input goes to a ready window.
wait_for_line() {
  local i
  for i in $(seq 1 100); do
    log_text | grep -qx -e "$1" && return 0
    sleep 0.05
  done
  fail "no line '$1' within 5 s"
}

# Waits (bounded) for the probe to end and checks its exit code.
expect_exit_zero() {
  local i code
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "still running 5 s after it was told to end"
  code=0
  wait "$pid" || code=$?
  pid=
  [ "$code" -eq 0 ] || fail "exit code $code"
}

# Start-up is done once the probe has logged its client size.
if [ "$native" -eq 1 ]; then
  wait_for_line "client 1024 768"
else
  for i in $(seq 1 100); do log_text | grep -q '^client ' && break; sleep 0.05; done
fi
# The log without the client size line, on one line.
logged() { log_text | grep -vx "$@" | grep -v '^client ' | tr '\n' ' ' | sed 's/ $//'; }

if [ "$case_name" = close ]; then
  "$close_request" "$wid" || fail "could not send the close request"
  expect_exit_zero
  expected="create paint close destroy exit 0"
  actual=$(logged -e '')
  [ "$actual" = "$expected" ] || fail "expected: $expected"
  echo "close request: ok"
  exit 0
fi

[ "$(xdotool getwindowname "$wid")" = "$title" ] || fail "window title"
if [ "$native" -eq 1 ]; then
  xprop -id "$wid" WM_CLASS | grep -q '"Lattice"' || fail "WM_CLASS: $(xprop -id "$wid" WM_CLASS)"
  xdotool getwindowgeometry "$wid" | grep -q 'Geometry: 1024x768' ||
    fail "client size: $(xdotool getwindowgeometry "$wid")"
fi

# No window manager: put the pointer inside and give the window the focus.
xdotool mousemove --window "$wid" 10 10
timeout 5 xdotool windowfocus --sync "$wid" || fail "could not focus the window"

# The keypad follows Num Lock as on Windows: '.' is Delete with it off, the
# decimal point with it on (xdotool turns it on for KP_Decimal and KP_5).
num_lock_off
xdotool key a 1 Return Delete shift Left KP_Delete KP_Decimal Num_Lock KP_5 Num_Lock F1 comma
xdotool mousemove --window "$wid" 100 200 click 1
xdotool mousemove --window "$wid" 1000 700 click 3
xdotool click 4 click 5
wait_for_line "wheel -120"
xdotool key Escape
expect_exit_zero

# Num Lock's own presses (144) come and go with xdotool: not ours to check.
actual=$(logged 'key 144')
expected="create paint"
expected+=" key 65 key 49 key 13 key 46 key 16 key 37 key 46 key 110 key 101 key 112 key 188"
expected+=" lbutton 100 200 rbutton 1000 700 wheel 120 wheel -120"
expected+=" key 27 destroy exit 0"
[ "$actual" = "$expected" ] || fail "expected: $expected
got:      $actual"
echo "input: ok"
