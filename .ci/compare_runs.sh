#!/usr/bin/env bash
# CI: runs two builds of a program on the example pair, each in a scratch
# folder of its own, and fails unless both succeed and they print the same
# bytes, end with the same status and leave the same files with the same
# bytes.
#
#   .ci/compare_runs.sh REFERENCE CANDIDATE [RUNNER]
#
# The programs are builds of codetwin, which runs in a folder holding the
# pair with the same answers on standard input, or of codetwin-class (a name
# that starts so), which is given that folder as a class of two.
# RUNNER, if given, starts both programs (Wine, for a Windows build).
set -euo pipefail
source=$(dirname "$0")/..

reference=$(realpath "$1")
candidate=$(realpath "$2")
runner=${3:-}
examples=$(realpath "$source/examples")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/codetwin-runs-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

case $(basename "$reference") in
  codetwin-class*)
    arguments=(.)
    answers=
    outputs=(file1.c file2.c)
    ;;
  *)
    arguments=()
    # Enter to start, Enter to go on, no viewer for the token files (it
    # would outlive the run), the details.
    answers=$'\n\nn\ny\n'
    outputs=(file1.c file2.c list1.txt list2.txt token1.txt token2.txt)
    ;;
esac

run() { # NAME PROGRAM
  local folder=$scratch/$1 status=0
  mkdir "$folder"
  cp "$examples/file1.c" "$examples/file2.c" "$folder/"
  (cd "$folder" && printf '%s' "$answers" |
    $runner "$2" "${arguments[@]}" >"$scratch/$1.out" 2>"$scratch/$1.err") || status=$?
  echo "$status" >"$scratch/$1.status"
}

run reference "$reference"
run candidate "$candidate"

failed=
if [[ $(cat "$scratch/reference.status") != 0 || ! -s $scratch/reference.out ]]; then
  echo "compare_runs.sh: $reference printed $(wc -c <"$scratch/reference.out") bytes and ended" \
    "with status $(cat "$scratch/reference.status")"
  failed=yes
fi
for name in "${outputs[@]}"; do
  [[ -f $scratch/reference/$name ]] || { echo "compare_runs.sh: $reference left no $name"; failed=yes; }
done
cmp "$scratch/reference.status" "$scratch/candidate.status" || failed=yes
cmp "$scratch/reference.out" "$scratch/candidate.out" || failed=yes
diff -r "$scratch/reference" "$scratch/candidate" || failed=yes
if [[ -n $failed ]]; then
  for name in reference candidate; do
    [[ -s $scratch/$name.err ]] && { echo "-- $name, standard error:"; cat "$scratch/$name.err"; }
  done
  echo "compare_runs.sh: $candidate does not run as $reference does"
  exit 1
fi
echo "   $candidate: the same $(wc -c <"$scratch/candidate.out") bytes of output, status 0," \
  "the same files"
