# shellcheck shell=bash
# Starts a private Xvfb with a 24-bit screen and exports DISPLAY; the caller
# stops it with latticegas_stop_xvfb. Xvfb picks a free display number itself
# and writes it only once it accepts connections: a number chosen by looking
# for lock files could be taken at the same moment by another start, whose
# server would then answer for ours and vanish under it.
latticegas_start_xvfb() {
  local dir number=""
  dir=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp +extension GLX +render -noreset \
    3>"$dir/display" >"${LATTICEGAS_XVFB_LOG:-/dev/null}" 2>&1 &
  LATTICEGAS_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    number=$(cat "$dir/display" 2>/dev/null || true)
    [[ "$number" =~ ^[0-9]+$ ]] && break
    number=""
    kill -0 "$LATTICEGAS_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -rf "$dir"
  if [ -z "$number" ] || ! DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
    latticegas_stop_xvfb
    echo "could not start Xvfb" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

# Stops the server and waits until it has gone, so that the next start cannot
# meet it on its way out.
latticegas_stop_xvfb() {
  if [ -n "${LATTICEGAS_XVFB_PID:-}" ]; then
    kill "$LATTICEGAS_XVFB_PID" 2>/dev/null || true
    wait "$LATTICEGAS_XVFB_PID" 2>/dev/null || true
  fi
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
