# shellcheck shell=bash
# Starts a private Xvfb with a 24-bit screen on a free display number and
# exports DISPLAY; the caller stops it with latticegas_stop_xvfb.
latticegas_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
    Xvfb ":${n}" -screen 0 1280x1024x24 -nolisten tcp +extension GLX +render -noreset \
      >"${LATTICEGAS_XVFB_LOG:-/dev/null}" 2>&1 &
    LATTICEGAS_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      if DISPLAY=":${n}" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":${n}"
        return 0
      fi
      kill -0 "$LATTICEGAS_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$LATTICEGAS_XVFB_PID" 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2
  return 1
}

latticegas_stop_xvfb() {
  [ -n "${LATTICEGAS_XVFB_PID:-}" ] && kill "$LATTICEGAS_XVFB_PID" 2>/dev/null || true
  LATTICEGAS_XVFB_PID=
}

# The id of the first window on screen titled exactly TITLE, or nothing. On
# screen: a window is named before it is mapped, and cannot take the focus or
# be photographed until then.
latticegas_find_window() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true
}

# Saves a screenshot of X window WINDOW to FILE. import never returns, and
# holds the whole X server, when the window is gone by the time it looks (a
# program that ended, say), so look first and bound it anyway. Fails when there
# was no picture to take.
latticegas_window_shot() {
  timeout 5 xwininfo -id "$1" >/dev/null 2>&1 || return 1
  timeout 10 import -window "$1" "$2" 2>/dev/null
}
