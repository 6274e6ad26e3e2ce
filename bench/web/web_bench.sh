#!/usr/bin/env bash
# Figures for the browser build (not a test: they depend on the machine):
# per scene in headless Chromium, the frames drawn and the frames displayed
# a second (the canvas is updated on the screen's refresh, 60 Hz here), the
# CPU share, and the sound's offset from the picture in ticks (the tick whose
# sound leaves the worklet, less the output's latency, minus the tick on the
# canvas); how soon the offset is back after a 3 s audio suspension; the
# time from load to the first frame; the whole show flat out on the virtual
# clock in the browser against the native check run; and the page's size as
# served and compressed.
#
#   bench/web/web_bench.sh     after ./build.sh test (or build_web and the
#                              npm install it does) has built build/ and build-web/
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=tests/web/local_server.sh
. "$root/tests/web/local_server.sh"
site=$root/build-web/site
make_work_folder

echo "page: $(du -cb "$site"/index.html "$site"/tundrix.js "$site"/tundrix.wasm | tail -1 | cut -f1) bytes," \
  "$(cat "$site"/index.html "$site"/tundrix.js "$site"/tundrix.wasm | gzip -9 | wc -c) gzip-compressed" \
  "(wasm $(stat -c %s "$site/tundrix.wasm"), js $(stat -c %s "$site/tundrix.js"), html $(stat -c %s "$site/index.html"));" \
  "icons and preview $(du -cb "$site"/favicon-*.png "$site"/preview.png | tail -1 | cut -f1) bytes"
start=$(date +%s.%N)
"$root/build/tests/web/web_check_native" --sound "$work/native.pcm" >/dev/null
echo "whole show on the virtual clock, native: $(echo "$(date +%s.%N) - $start" | bc) s"

start_local_server "$site" "$work/server.log"
NODE_PATH="$root/build-web/node_modules" timeout 900 node "$root/tests/web/browser_driver.cjs" bench "http://127.0.0.1:$port/" "$work"
