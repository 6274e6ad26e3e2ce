#!/usr/bin/env bash
# Starts (or stops) one Xvfb server per depth the display code supports, each
# on a free display number picked by the server itself. The tests read
# DIR/depth-N to find the display for depth N.
set -u
cmd=$1
dir=$2
depths="8 15 16 24 30"
case "$cmd" in
start)
  mkdir -p "$dir"
  "$0" stop "$dir"
  for d in $depths; do
    rm -f "$dir/depth-$d"
    # -displayfd writes the chosen display number once the server is ready.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x"$d" -nolisten tcp -noreset \
      3>"$dir/number-$d" >"$dir/log-$d" 2>&1 &
    echo $! >"$dir/pid-$d"
  done
  for d in $depths; do
    for _ in $(seq 100); do
      [ -s "$dir/number-$d" ] && break
      sleep 0.1
    done
    n=$(tr -d '\n' <"$dir/number-$d")
    if [ -z "$n" ]; then
      echo "Xvfb at depth $d did not start:" >&2
      cat "$dir/log-$d" >&2
      exit 1
    fi
    echo ":$n" >"$dir/depth-$d"
  done
  ;;
stop)
  for d in $depths; do
    if [ -f "$dir/pid-$d" ]; then
      kill "$(cat "$dir/pid-$d")" 2>/dev/null
      rm -f "$dir/pid-$d"
    fi
  done
  ;;
esac
exit 0
