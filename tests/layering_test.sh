#!/usr/bin/env bash
# The house rules a compiler does not check:
#  - the runtime folders stand on floors, and a file includes only its own
#    folder and folders on lower floors, never one beside or above it:
#      1  base/ (show clock, time sources, lookup tables, timeline), data/
#      2  picture/, sound/, display/
#      3  player/ (of sound/ only the device operations), engine3d/
#      4  scenes/
#      5  show/ (sequence, start-up, command line, terminal texts)
#      6  web/ (the browser's front end: page clock, canvas, Web Audio)
#    and no runtime file includes tools/, fuzz/, bench/ or tests/;
#  - no scene keeps mutable state at file scope: no scene object file has a
#    symbol in .data or .bss.
#
#   layering_test.sh SOURCE_DIR "OBJECT;OBJECT;..."
set -uo pipefail
src=$1
objects=$2
failed=0

declare -A floor=([base]=1 [data]=1 [picture]=2 [sound]=2 [display]=2 [player]=3 [engine3d]=3
  [scenes]=4 [show]=5 [web]=6)

# Every include of a runtime file names a folder of its own floor's or a
# lower one's; player/ takes nothing of sound/ but its device operations.
check_includes() {
  local from file line to
  for from in "${!floor[@]}"; do
    for file in "$src/$from"/*.h "$src/$from"/*.cpp; do
      [ -e "$file" ] || continue
      while IFS= read -r line; do
        to=${line#*\"}
        to=${to%%/*}
        [ "$to" = "$from" ] && continue
        if [ "$from/$to" = player/sound ] && [[ "$line" == *'"sound/device_operations.h"'* ]]; then
          continue
        fi
        if [ -z "${floor[$to]:-}" ] || [ "${floor[$to]}" -ge "${floor[$from]}" ] ||
          [ "$from/$to" = player/sound ]; then
          echo "${file#"$src"/}: $line (floor ${floor[$from]} reaches $to/, floor ${floor[$to]:-outside the runtime})"
          failed=1
        fi
      done < <(grep -h '^#include "[^"]*/' "$file")
    done
  done
}

check_includes

IFS=';' read -ra list <<<"$objects"
checked=0
for object in "${list[@]}"; do
  case "$object" in */scenes/*.o) ;; *) continue ;; esac
  checked=$((checked + 1))
  # The sanitizers add bookkeeping symbols of their own (__odr_asan.NAME
  # marks a constant, __asan_* and friends their tables): not scene state.
  state=$(nm -C "$object" | grep ' [bBdD] ' | grep -v -E ' (__odr_asan|__asan|__ubsan|__sancov)')
  if [ -n "$state" ]; then
    echo "$(basename "$object" .o) keeps state at file scope:"
    echo "$state"
    failed=1
  fi
done
if [ "$checked" -eq 0 ]; then
  echo "no scene object files were given"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "layering holds; $checked scene object files hold no file-scope state"
exit "$failed"
