# shellcheck shell=bash
# Serves a folder on 127.0.0.1 with Python's http.server on a free port, in the
# background: sets LATTICEGAS_SERVE_PID and LATTICEGAS_SERVE_URL; the caller
# stops it with latticegas_stop_serving.
latticegas_serve() {
  local folder=$1 port i
  port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$folder" >/dev/null 2>&1 &
  LATTICEGAS_SERVE_PID=$!
  LATTICEGAS_SERVE_URL="http://127.0.0.1:$port/"
  for i in $(seq 1 50); do
    /usr/bin/python3 -c "import urllib.request, sys; urllib.request.urlopen(sys.argv[1], timeout=1)" \
      "$LATTICEGAS_SERVE_URL" 2>/dev/null && return 0
    kill -0 "$LATTICEGAS_SERVE_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "could not serve $folder on 127.0.0.1:$port" >&2
  latticegas_stop_serving
  return 1
}

latticegas_stop_serving() {
  [ -n "${LATTICEGAS_SERVE_PID:-}" ] && kill "$LATTICEGAS_SERVE_PID" 2>/dev/null || true
  LATTICEGAS_SERVE_PID=
}
