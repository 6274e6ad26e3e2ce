#!/usr/bin/env bash
# The Debian package as a user gets it: cpack makes it, it holds exactly the
# files it should, its dependencies are the libraries the programs link,
# lintian finds no error and no warning, the menu entry and the metadata
# pass their validators, and both programs run from the unpacked tree. The
# package is never installed on this machine.
#
#   package_test.sh BUILD_DIR VERSION APP_ID
set -euo pipefail

build=$1
version=$2
app_id=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

arch=$(dpkg --print-architecture)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$work/tundrix_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(cd "$work" && echo *.deb)"

[ "$(dpkg-deb -f "$deb" Package)" = tundrix ] || fail "the package is not named tundrix"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "the package is not for $arch"

# Files, folders left out.
expected=$(
  cat <<LIST
./usr/bin/tundrix
./usr/bin/tundrix-capture
./usr/share/applications/$app_id.desktop
./usr/share/doc/tundrix/changelog.gz
./usr/share/doc/tundrix/copyright
$(for size in 16 32 48 64 128 256; do echo "./usr/share/icons/hicolor/${size}x$size/apps/tundrix.png"; done)
./usr/share/man/man1/tundrix-capture.1.gz
./usr/share/man/man6/tundrix.6.gz
./usr/share/metainfo/$app_id.metainfo.xml
LIST
)
contents=$(dpkg-deb -c "$deb" | grep -v '^d' | awk '{print $6}' | sort)
[ "$contents" = "$(sort <<<"$expected")" ] ||
  fail "the package's files differ from the list:$(diff <(sort <<<"$expected") <(echo "$contents"))"

root=$work/root
dpkg-deb -x "$deb" "$root"

# Every library a program needs comes from a package the package depends on.
# The libraries are found where the loader finds them; dpkg may know each by
# its path with or without /usr in front.
declare -A needed_by
for program in tundrix tundrix-capture; do
  needed=$(readelf -d "$root/usr/bin/$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
  [ -n "$needed" ] || fail "$program needs no library?"
  for library in $needed; do
    path=$(ldd "$root/usr/bin/$program" | awk -v lib="$library" '$1 == lib && $2 == "=>" {print $3}')
    [ -n "$path" ] || fail "$program needs $library, which this machine does not have"
    needed_by[${path#/usr}]=$program
  done
done
patterns=()
for path in "${!needed_by[@]}"; do patterns+=("*$path"); done
owners=$(dpkg -S "${patterns[@]}" 2>/dev/null | sed 's|: /usr/|: /|')
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}')
for path in "${!needed_by[@]}"; do
  owner=$(awk -v path="$path" '$NF == path {sub(/:.*/, "", $1); print $1; exit}' <<<"$owners")
  [ -n "$owner" ] || fail "${needed_by[$path]} needs $path, which no package of this machine holds"
  grep -qxF "$owner" <<<"$depends" || fail "${needed_by[$path]} needs $path of $owner, which Depends leaves out"
done

if ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
  cat "$work/lintian.log"
  fail "lintian reports errors or warnings (above)"
fi
grep -v 'running with root privileges' "$work/lintian.log" || true

desktop=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $app_id.desktop"
grep -qx 'Exec=tundrix --sound 2 --mode 6' "$desktop" || fail "the menu entry does not start the show full screen with sound"
grep -qx 'Icon=tundrix' "$desktop" || fail "the menu entry does not name the icon"
# The show's window has this class (the display tests check it).
grep -qx 'StartupWMClass=Tundrix' "$desktop" || fail "the menu entry does not name the show window's class"
for size in 16 32 48 64 128 256; do
  cmp -s "$root/usr/share/icons/hicolor/${size}x$size/apps/tundrix.png" \
    "$build/icons/hicolor/${size}x$size/apps/tundrix.png" || fail "the ${size}px icon is not the generated one"
done
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refuses the metadata"
# The metadata's launchable is the menu entry, with the icon beside it.
appstreamcli validate-tree --no-net "$root" >"$work/tree.log" 2>&1 ||
  { cat "$work/tree.log"; fail "appstreamcli refuses the installed tree"; }

[ "$(zcat "$root/usr/share/doc/tundrix/changelog.gz" | head -n 1 | cut -d' ' -f1-2)" = "tundrix ($version)" ] ||
  fail "the changelog's newest entry is not for $version"

# Both programs run from the unpacked tree, away from the build.
cd /
for program in tundrix tundrix-capture; do
  said=$(env -i PATH=/usr/bin:/bin "$root/usr/bin/$program" --version) || fail "$program --version failed"
  [ "$said" = "$program $version" ] || fail "$program --version says '$said', the package $version"
  help=$(env -i PATH=/usr/bin:/bin "$root/usr/bin/$program" --help) || fail "$program --help failed"
  [[ "$help" == "Usage: $program "* ]] || fail "$program --help does not start with its usage"
done
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, lintian clean, both programs run from the unpacked tree"
