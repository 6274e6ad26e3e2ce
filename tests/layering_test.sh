#!/usr/bin/env bash
# The house rules a compiler does not check:
#  - sound/ includes nothing of player/ and player/ nothing of sound/ (the
#    player reaches the device through shared/sound_device.h, the music tick
#    is wired in show/);
#  - data/ includes nothing of tools/;
#  - no scene keeps mutable state at file scope: no scene object file has a
#    symbol in .data or .bss.
#
#   layering_test.sh SOURCE_DIR "OBJECT;OBJECT;..."
set -uo pipefail
src=$1
objects=$2
failed=0

forbid_includes() {
  local from=$1 to=$2 hits
  hits=$(grep -n "#include \"$to/" "$src/$from"/*.h "$src/$from"/*.cpp 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$from/ includes $to/:"
    echo "$hits"
    failed=1
  fi
}

forbid_includes sound player
forbid_includes player sound
forbid_includes data tools

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
