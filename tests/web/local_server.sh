# Sourced by the browser test and the browser benchmark.

# A scratch folder in work, removed (and the local server stopped) when the
# script exits.
make_work_folder() {
  work=$(mktemp -d)
  server=
  trap 'if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
}

# Serves a folder on 127.0.0.1 at a port the server picks, for 15 minutes at
# most. Sets server (its pid) and port.
#
#   start_local_server DIR LOG
start_local_server() {
  local dir=$1 log=$2
  timeout 900 python3 -u -m http.server 0 -b 127.0.0.1 -d "$dir" >"$log" 2>&1 &
  server=$!
  port=
  for _ in $(seq 100); do
    port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$log" | head -1)
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "the local server did not start"
  return 1
}
