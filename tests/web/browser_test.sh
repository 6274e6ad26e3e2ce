#!/usr/bin/env bash
# The browser build in a real browser (headless Chromium through
# puppeteer-core), against the native show:
#  - the whole show on the virtual clock: every frame's hash equals the
#    native build's check run, and the sound's bytes equal it too; the native
#    sound is in turn tundrix-capture's show.wav (its recorded hash);
#  - the canvas at known ticks equals tundrix-capture's frames there (an
#    independent decoder, ImageMagick, compares the two PNGs);
#  - the page as a visitor meets it, started by real clicks and taps: a few
#    seconds live in each scene, the controls, pause and scene changes, the
#    sound in step with the picture, phones and laptops at odd pixel ratios,
#    an insecure origin, a missing tundrix.wasm (browser_driver.cjs lists
#    what fails).
# The page is served from 127.0.0.1 for this run only; the server and the
# browser are bounded in time and stopped.
#
#   browser_test.sh BUILD_DIR WEB_DIR     (WEB_DIR holds site/ and node_modules/)
set -euo pipefail

build=$(cd "$1" && pwd)
web=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/web/local_server.sh
. "$here/local_server.sh"
root=$(cd "$here/../.." && pwd)
make_work_folder

# Ticks for the screenshots: the silhouette sinking its random pixels, and
# the whirl drawn with sines and cosines.
ticks="3300 11050"
echo "$ticks" >"$work/ticks.txt"

"$build/tests/web/web_check_native" --sound "$work/native.pcm" | grep -E '^[0-9]+ [0-9a-f]{16}$' >"$work/native.txt"
wav_hash=$(python3 - "$work/native.pcm" <<'PY'
import hashlib, struct, sys
data = open(sys.argv[1], 'rb').read()
header = (b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVEfmt ' +
          struct.pack('<IHHIIHH', 16, 1, 2, 32000, 128000, 4, 16) + b'data' + struct.pack('<I', len(data)))
print(hashlib.sha256(header + data).hexdigest())
PY
)
if ! grep -q "^$wav_hash  show.wav$" "$root/tests/capture/show_hashes.txt"; then
  echo "the native check run's sound is not the capture's show.wav"
  exit 1
fi
for t in $ticks; do
  "$build/tools/capture/tundrix-capture" show -o "$work/capture-$t/" --from "$t" --to "$t" >/dev/null 2>&1
done

# The site, and beside it a copy without tundrix.wasm (a failed upload).
mkdir -p "$work/served/nowasm"
ln -s "$web/site" "$work/served/site"
find "$web/site" -maxdepth 1 -type f ! -name tundrix.wasm -exec cp {} "$work/served/nowasm/" \;
start_local_server "$work/served" "$work/server.log"

NODE_PATH="$web/node_modules" timeout 900 node "$here/browser_driver.cjs" test "http://127.0.0.1:$port/site/" "$work"

failed=0
if ! diff -q "$work/native.txt" "$work/browser.txt" >/dev/null; then
  echo "frames differ between the browser and the native check run (first ten):"
  diff "$work/native.txt" "$work/browser.txt" | grep '^>' | head -10
  failed=1
fi
if [ "$(sha256sum <"$work/native.pcm" | cut -d' ' -f1)" != "$(cat "$work/browser_sound.txt")" ]; then
  echo "the browser's sound differs from the native check run's"
  failed=1
fi
for t in $ticks; do
  differing=$(compare -metric AE "$work/capture-$t/frame-000000.png" "$work/shot-$t.png" null: 2>&1 || true)
  if [ "$differing" != 0 ]; then
    echo "the canvas at tick $t differs from the capture's frame: $differing pixels"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "browser: $(wc -l <"$work/browser.txt") frames and the sound equal the native show's; the canvas equals the capture"
exit "$failed"
