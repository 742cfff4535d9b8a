#!/usr/bin/env bash
# Installs from the distribution (Debian 12, Ubuntu 24.04) what a purpose
# needs and is missing; when all is there it does nothing and says nothing.
#
#   scripts/install-deps.sh PURPOSE...
#
#   build     build the programs
#   test      build everything and run every test (takes in build)
#   clang     clang, its sanitizer and fuzzer runtimes, Ninja
#   bench     the benchmarks
#   windows   the Windows cross build and Wine to run it
#   valgrind  the valgrind pass
#   package   the packages
#   ci        all of the above
#
# apt-get runs without questions, through sudo when not root.
set -euo pipefail

# Every package the project uses, one a line: its name, the purpose that
# needs it, and a note if need be. "a|b": the first of these that the
# distribution has (Debian's name, then Ubuntu's). A package that several
# purposes need has a line for each.
readonly kPackages='
cmake                                 build
make                                  build
g++                                   build
libcli11-dev                          build
libarchive-dev                        build    archives read in place
nlohmann-json3-dev                    build
scdoc                                 build    the manual pages, from their plain markup
libgtest-dev                          test
libgmock-dev                          test
libyaml-cpp-dev                       test     the Kubernetes manifests read by their test
chromium|chromium-browser             test
chromium-driver|chromium-chromedriver test
python3-selenium                      test
fonts-noto-cjk                        test     Chinese glyphs for the browser tests and their screenshots
man-db                                test     the manual pages rendered and read as man does
mandoc                                test     the manual pages linted
slurm-wlm                             test     the one-node Slurm of the cluster test
munge                                 test     authentication for the one-node Slurm of the cluster test
clang                                 clang
libclang-rt-14-dev                    clang    sanitizer and libFuzzer runtimes, not a dependency of clang
ninja-build                           clang
libbenchmark-dev                      bench
g++-mingw-w64-x86-64-posix            windows
libz-mingw-w64-dev                    windows  deflate, for libarchive built for Windows (scripts/mingw-libarchive.sh)
libarchive-dev                        windows  its version is the one built for Windows
dpkg-dev                              windows  dpkg-source, to unpack the source package of libarchive
wine64                                windows
ninja-build                           windows
googletest                            windows  sources, for the platform tests built for Windows
python3                               windows
locales                               windows  zh_CN.UTF-8 made for Wine, whose ANSI code page follows it
valgrind                              valgrind
dpkg-dev                              package  dpkg-shlibdeps, for the dependencies of the .deb
man-db                                package  man finds the packaged pages
'
readonly kAllPurposes=(build test clang bench windows valgrind package)

usage() {
  sed -n '5,15s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

# The purposes asked for, with those they take in.
purposes=()
for purpose in "$@"; do
  case $purpose in
    ci) purposes+=("${kAllPurposes[@]}") ;;
    test) purposes+=(build test) ;;
    build | clang | bench | windows | valgrind | package) purposes+=("$purpose") ;;
    *) usage ;;
  esac
done
((${#purposes[@]})) || usage

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}

wanted=()
while read -r alternatives purpose _; do
  [[ -n $alternatives && " ${purposes[*]} " == *" $purpose "* ]] || continue
  [[ " ${wanted[*]} " == *" $alternatives "* ]] || wanted+=("$alternatives")
done <<<"$kPackages"

if ! command -v dpkg-query >/dev/null; then
  echo "install-deps.sh: not a Debian-like system; install these yourself: ${wanted[*]}" >&2
  exit 0
fi

missing=()
for alternatives in "${wanted[@]}"; do
  found=
  for name in ${alternatives//|/ }; do
    if installed "$name"; then found=yes; fi
  done
  [[ -n $found ]] || missing+=("$alternatives")
done
((${#missing[@]})) || exit 0

as_root=()
if ((EUID != 0)); then
  if ! command -v sudo >/dev/null; then
    echo "install-deps.sh: these are missing; install them as root: ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi
apt_get() {
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y "$@"
}

echo "install-deps.sh: installing ${missing[*]}"
apt_get update
names=()
for alternatives in "${missing[@]}"; do
  choice=${alternatives%%|*}
  for name in ${alternatives//|/ }; do
    if apt-cache show "$name" >/dev/null 2>&1; then
      choice=$name
      break
    fi
  done
  names+=("$choice")
done
apt_get install --no-install-recommends "${names[@]}"
