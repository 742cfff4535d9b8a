#!/usr/bin/env bash
# The job that submit.sh runs first: reads, lexes and profiles the class
# once into $CLASS_FILE, which every shard and the merge take the class
# from instead of reading the sources again. CLASS, OPTIONS, CLASS_FILE and
# CODETWIN_CLASS come from submit.sh through the environment.
#SBATCH --job-name=codetwin-read
set -euo pipefail
: "${CLASS_FILE:?submit this job with submit.sh, which sets its variables}"

# shellcheck disable=SC2086 # OPTIONS and CLASS hold several words
"$CODETWIN_CLASS" $OPTIONS --save-class "$CLASS_FILE" $CLASS
