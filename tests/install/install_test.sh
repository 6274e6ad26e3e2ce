#!/usr/bin/env bash
# cmake --install into a fresh prefix: both programs run from there, away from
# the source and build trees, and both manual pages render without a warning
# and name every option their program's --help names.
#
#   install_test.sh BUILD_DIR
set -euo pipefail

build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
cd /
for program in tundrix tundrix-capture; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not installed in $prefix/bin"
done
for page in man6/tundrix.6.gz man1/tundrix-capture.1.gz; do
  [ -f "$prefix/share/man/$page" ] || fail "$page is not installed in $prefix/share/man"
done

check() {
  local program=$1 page=$2
  local help text warnings
  help=$(env -i PATH=/usr/bin:/bin "$prefix/bin/$program" --help) || fail "$program --help failed"
  [ -n "$help" ] || fail "$program --help printed nothing"
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
  text=$(MANWIDTH=80 man -l "$prefix/share/man/$page" 2>/dev/null | col -b)
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
    grep -q "^$section" <<<"$text" || fail "$page has no $section section"
  done
  # Every option the help names is in the page.
  for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$option" <<<"$text" || fail "$page does not mention $option, which $program --help names"
  done
}
check tundrix man6/tundrix.6.gz
check tundrix-capture man1/tundrix-capture.1.gz
# Every command of the capture tool has its section.
capture_page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/tundrix-capture.1.gz" 2>/dev/null | col -b)
for command in show sheet music picture; do
  grep -qE "^   $command\$" <<<"$capture_page" || fail "tundrix-capture.1.gz has no section for $command"
done
echo "both programs run from $prefix; both pages render cleanly and cover their options"
