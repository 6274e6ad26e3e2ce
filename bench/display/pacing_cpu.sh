#!/usr/bin/env bash
# CPU of the show's process and of the X server over SECONDS (default 20) of
# each 2D scene in mode 3 at depth 24, paced and flat out, on an Xvfb of its
# own. Usage: bench/display/pacing_cpu.sh BUILD_DIR [SECONDS]
set -eu
build=${1:?build directory}
seconds=${2:-20}
dir=$(mktemp -d)
trap 'kill "$server" 2>/dev/null; rm -rf "$dir"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/number" >"$dir/log" 2>&1 &
server=$!
for _ in $(seq 100); do
  [ -s "$dir/number" ] && break
  sleep 0.1
done
DISPLAY=:$(tr -d '\n' <"$dir/number") "$build/bench/display/pacing_cpu" "$seconds" "$server"
