#!/usr/bin/env bash
# Builds libarchive for the Windows cross build from the distribution's own
# source package (Debian has no mingw-w64 package of it): the source as
# `apt-get source` gives it, with Debian's patches, compiled by the same
# mingw-w64 toolchain as the programs into a static library with zlib
# (Debian's libz-mingw-w64-dev) for deflate: what .zip, .tar and .tar.gz
# need. Names are converted through Windows' code pages, so no iconv.
#
#   scripts/mingw-libarchive.sh [PREFIX]   (default: build-windows-deps)
#
# PREFIX gets include/ and lib/ as an install would; the toolchain file
# (cmake/mingw-w64-x86_64.cmake) looks there. Nothing is done when PREFIX
# already holds this version. apt-get reads the source lists of this
# system's own package sources, as deb-src, from a folder of its own: the
# system's configuration is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

prefix=$(realpath -m "${1:-build-windows-deps}")
stamp=$prefix/libarchive.version

version=$(dpkg-query -W -f='${Version}' libarchive-dev 2>/dev/null || true)
if [[ -z $version ]]; then
  echo "mingw-libarchive.sh: libarchive-dev is not installed: its version is the one built" >&2
  exit 1
fi
if [[ -f $stamp && $(cat "$stamp") == "$version" ]]; then
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-libarchive-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The system's package sources, as source lists: each deb line and each
# deb822 stanza of type deb becomes deb-src.
mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d"
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [[ -f $list ]] || continue
  sed -n 's/^deb \(.*\)$/deb-src \1/p' "$list" >>"$work/apt/sources.list"
done
for stanzas in /etc/apt/sources.list.d/*.sources; do
  [[ -f $stanzas ]] || continue
  sed 's/^Types:.*\bdeb\b.*$/Types: deb-src/' "$stanzas" >"$work/apt/sources.list.d/$(basename "$stanzas")"
done
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list"
  -o "Dir::Etc::SourceParts=$work/apt/sources.list.d" -o "Dir::State::Lists=$work/apt/lists"
  -o "APT::Sandbox::User=root" -q)
echo "mingw-libarchive.sh: libarchive $version from its source package"
apt-get "${apt_options[@]}" update >/dev/null
(cd "$work" && apt-get "${apt_options[@]}" source --download-only "libarchive=$version" >/dev/null)
dpkg-source -x "$work"/libarchive_*.dsc "$work/source" >/dev/null

# Only what reading .zip and .tar(.gz) takes; no programs, no tests. zlib
# static, as the programs are linked; Debian's zlib is built without
# ZLIB_WINAPI, which libarchive would find out by running a test program
# (none runs in a cross build; CMake 3.25 crashes trying): told instead.
cmake -S "$work/source" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DENABLE_TEST=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
  -DENABLE_ZLIB=ON -DENABLE_BZip2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF \
  -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF \
  -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF \
  -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_PCREPOSIX=OFF \
  -DENABLE_WERROR=OFF -DCODETWIN_MINGW_PREFIX="$prefix" \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_WINAPI=OFF \
  -DZLIB_WINAPI_WITH_LIB=/usr/x86_64-w64-mingw32/lib/libz.a \
  >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" -j2 --target archive_static >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; exit 1; }

mkdir -p "$prefix/include" "$prefix/lib"
cp "$work/source/libarchive/archive.h" "$work/source/libarchive/archive_entry.h" "$prefix/include/"
cp "$(find "$work/build" -name "libarchive*.a" | head -n 1)" "$prefix/lib/libarchive.a"
echo "$version" >"$stamp"
echo "mingw-libarchive.sh: $prefix/lib/libarchive.a"
