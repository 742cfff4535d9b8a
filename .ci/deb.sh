#!/usr/bin/env bash
# CI: the install rules and the Debian package. Builds the programs alone in
# Release, as a packager would, in build-package; checks that
# `cmake --install --prefix` puts every program built in bin/, the README
# and the licence in share/doc/codetwin/ and the manual pages, English and
# Chinese, in share/man/; makes the .deb with CPack and checks that it holds
# the same under /usr, that it declares its dependencies, that the programs
# it installs, unpacked into a scratch root, run the example pair as the
# build's own do, and that man finds its pages there in either language.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-package

bash scripts/install-deps.sh build package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCODETWIN_WERROR=ON
cmake --build "$build" -j2

scratch=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-deb-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Every program this build makes, as installed.
expected() { # PREFIX
  find "$build" -type f -perm -u+x -not -path '*/CMakeFiles/*' -not -path '*/_CPack_Packages/*' \
    -printf "$1/bin/%f\n"
  printf '%s\n' "$1/share/doc/codetwin/LICENSE" "$1/share/doc/codetwin/README.md"
  find deploy -type f -printf "$1/share/doc/codetwin/deploy/%P\n"
  for page in codetwin codetwin-class; do
    printf '%s\n' "$1/share/man/man1/$page.1.gz" "$1/share/man/zh_CN/man1/$page.1.gz"
  done
}
same_files() { # WHAT EXPECTED ACTUAL
  if ! diff <(sort <<<"$2") <(sort <<<"$3"); then
    echo "deb.sh: $1 holds other files than expected (< expected, > found)"
    exit 1
  fi
}

echo "== cmake --install"
cmake --install "$build" --prefix "$scratch/prefix"
same_files "the install" "$(expected "$scratch/prefix")" "$(find "$scratch/prefix" -type f)"

echo "== the Debian package"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/*.deb)
deb=${debs[0]}
dpkg-deb -c "$deb"
dpkg-deb -f "$deb" Package Version Architecture Depends
same_files "$deb" "$(expected ./usr)" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6; do
  if [[ ", $depends" != *", $library "* ]]; then
    echo "deb.sh: $deb does not depend on $library"
    exit 1
  fi
done

echo "== the packaged programs on the example pair"
dpkg -x "$deb" "$scratch/root"
for program in codetwin codetwin-class; do
  .ci/compare_runs.sh "$build/$program" "$scratch/root/usr/bin/$program"
done

echo "== man finds the packaged pages"
for page in codetwin codetwin-class; do
  for language in en zh_CN; do
    folder=man1
    [[ $language == en ]] || folder=$language/man1
    found=$(MANPATH="$scratch/root/usr/share/man" man -L "$language" -w "$page")
    if [[ $found != "$scratch/root/usr/share/man/$folder/$page.1.gz" ]]; then
      echo "deb.sh: man -L $language $page finds ${found:-nothing}"
      exit 1
    fi
    echo "   man -L $language $page: $found"
  done
done
