#!/usr/bin/env bash
# CI for the Windows build: cross-builds codetwin.exe and codetwin-class.exe
# with mingw-w64, makes the .zip with CPack and checks what it holds; then
# under Wine runs the end-to-end tests, built for Linux, against the build's
# codetwin.exe, the .zip's programs on the example pair against the build's,
# and the platform tests, built for Windows.
#
#   .ci/windows.sh [LINUX_BUILD_DIR]   (default: build, as .ci/run leaves it)
#
# Wine runs headless in a prefix of its own, made in a temporary folder and
# removed at the end, so nothing of a desktop or of an earlier run is used.
set -euo pipefail
cd "$(dirname "$0")/.."

linux_build=${1:-build}
windows_build=build-windows
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

echo "== Windows: toolchain and Wine"
bash scripts/install-deps.sh test windows
# libarchive has no mingw-w64 package in Debian: built from its source package.
bash scripts/mingw-libarchive.sh
installed=$(date +%s)
echo "   ready after $(elapsed)"

# Debian's wine64 package keeps its programs out of PATH; the wine package,
# if present, adds a wine command that chooses the same one.
find_command() {
  local candidate
  for candidate in "$@"; do
    if command -v "$candidate" >/dev/null 2>&1; then
      command -v "$candidate"
      return
    fi
  done
  echo "windows.sh: none of $* found" >&2
  return 1
}
wine=$(find_command wine64 wine /usr/lib/wine/wine64)
wineserver=$(find_command wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver)

echo "== Windows: cross build of the programs"
cmake -S . -B "$windows_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DBUILD_TESTING=OFF \
  -DCODETWIN_WERROR=ON
cmake --build "$windows_build" -j2
exe="$PWD/$windows_build/codetwin.exe"
class_exe="$PWD/$windows_build/codetwin-class.exe"

echo "== Windows: the .zip"
rm -f "$windows_build"/*.zip
(cd "$windows_build" && cpack -G ZIP)
zips=("$windows_build"/*.zip)
zip=${zips[0]}
folder=$(basename "$zip" .zip)
cmake -E tar tvf "$zip"
# One folder: every program the cross build makes, the read-me, the
# licence and the cluster scripts.
expected=$({
  find "$windows_build" -name '*.exe' -not -path '*/CMakeFiles/*' -not -path '*/_CPack_Packages/*' \
    -printf "$folder/%f\n"
  printf '%s\n' "$folder/README.txt" "$folder/LICENSE.txt"
  find deploy -type f -printf "$folder/deploy/%P\n"
} | sort)
if ! diff <(echo "$expected") <(cmake -E tar tf "$zip" | grep -v '/$' | sort); then
  echo "windows.sh: $zip holds other files than expected (< expected, > found)" >&2
  exit 1
fi
unzipped=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-zip-XXXXXX")
trap 'rm -rf "$unzipped"' EXIT
(cd "$unzipped" && cmake -E tar xf "$OLDPWD/$zip")
for text in README.txt LICENSE.txt; do
  if grep -q -v $'\r$' "$unzipped/$folder/$text"; then
    echo "windows.sh: $text in $zip has lines that do not end in CR LF" >&2
    exit 1
  fi
done

echo "== Windows: the end-to-end tests, built for Linux"
if [[ ! -f "$linux_build/CMakeCache.txt" ]]; then
  cmake -S . -B "$linux_build" -DCODETWIN_WERROR=ON
fi
cmake --build "$linux_build" -j2

echo "== Windows: a Wine prefix"
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-wine-XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
# No Mono and no Gecko: nothing to download, no dialog offering to.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Headless: whatever the program starts (the viewer) finds no desktop.
unset DISPLAY WAYLAND_DISPLAY
# A Chinese locale for Wine, which takes the ANSI code page from the locale
# (zh_CN: 936) and reads names and arguments in its charset: the locale must
# exist for that charset to be UTF-8. Made here and found through LOCPATH;
# glibc then still finds the locales in its folder (C.UTF-8, the tests'
# other one), though not those in its archive.
LOCPATH=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-locales-XXXXXX")
export LOCPATH
cleanup() {
  timeout 60 "$wineserver" -k >/dev/null 2>&1 || true
  timeout 60 "$wineserver" -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX" "$unzipped" "$LOCPATH"
}
trap cleanup EXIT
if ! localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8"; then
  echo "windows.sh: cannot make the zh_CN.UTF-8 locale (Debian's locales package has its sources)" >&2
  exit 1
fi
prefix_started=$(date +%s)
if ! timeout 300 "$wine" wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1; then
  cat "$WINEPREFIX.log"
  echo "windows.sh: wineboot failed" >&2
  exit 1
fi
rm -f "$WINEPREFIX.log"
echo "   prefix made in $(($(date +%s) - prefix_started)) s"
# One server for the whole run, rather than one started by each test's first
# program and stopped after its last: the one left by wineboot goes first.
timeout 60 "$wineserver" -w
"$wineserver" -p </dev/null >/dev/null 2>&1

tests_started=$(date +%s)
CODETWIN_BIN="$exe" CODETWIN_CLASS_BIN="$class_exe" CODETWIN_RUNNER="$wine" \
  ctest --test-dir "$linux_build" -L e2e --output-on-failure -j2 --timeout 300 </dev/null
echo "   tests ran in $(($(date +%s) - tests_started)) s"

echo "== Windows: the .zip's programs on the example pair"
for program in "$exe" "$class_exe"; do
  .ci/compare_runs.sh "$program" "$unzipped/$folder/$(basename "$program")" "$wine" </dev/null
done

echo "== Windows: the platform tests, built for Windows, under Wine"
cmake -S tests/platform/win32 -B build-windows-tests -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCODETWIN_WINE="$wine"
cmake --build build-windows-tests -j2
ctest --test-dir build-windows-tests --output-on-failure --timeout 300 </dev/null
echo "== Windows: done in $(elapsed), $(($(date +%s) - installed)) s of it after the installs"
