#!/usr/bin/env bash
# Each manual page the build made renders with man -l without a warning of
# groff's (all of them turned on), gives whatis its NAME line (lexgrog) and,
# where mandoc is installed, passes its lint at warning level.
#
#   check_pages.sh PAGE.1.gz...
#
# Exit status 77 (a skip for CTest) when man-db is missing.
set -euo pipefail

if ! command -v man >/dev/null || ! command -v lexgrog >/dev/null; then
  echo "skipped: man-db is not installed"
  exit 77
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-man-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=
fail() {
  echo "check_pages.sh: $*"
  failed=yes
}
for page in "$@"; do
  name=$(basename "$page" .1.gz)
  if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -E UTF-8 -l "$page" \
      >"$scratch/text" 2>"$scratch/errors"; then
    fail "$page: man -l failed"
  fi
  if [[ -s $scratch/errors ]]; then
    fail "$page: man -l warned:"
    cat "$scratch/errors"
  fi
  # The page's title line, with its name, starts the rendered text.
  if ! head -n 1 "$scratch/text" | grep -q "^$name(1) "; then
    fail "$page: rendered as: $(head -n 3 "$scratch/text")"
  fi
  whatis=$(lexgrog "$page" 2>&1) || fail "$page: lexgrog: $whatis"
  [[ $whatis == *": \"$name - "* ]] || fail "$page: whatis line: $whatis"
  if command -v mandoc >/dev/null; then
    lint=$(mandoc -T lint -W warning "$page" 2>&1) || fail "$page: mandoc -T lint failed"
    [[ -z $lint ]] || fail "$page: mandoc -T lint:"$'\n'"$lint"
  fi
  echo "$page: $(wc -l <"$scratch/text") lines; $whatis"
done
[[ -z $failed ]]
