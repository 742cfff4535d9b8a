#!/usr/bin/env bash
# Compares a whole class on a Slurm partition: one job reads the class once
# into a class file, then SHARDS jobs of an array each score a slice of the
# pairs from it, then one job merges their parts into the same listing and
# reports that one machine would have written.
#
#   bash submit.sh                      # with the values below
#   CLASS=hw3 SHARDS=8 bash submit.sh   # any of them overridden for one run
#
# Run it from the folder that holds the class: the jobs start in the folder
# sbatch was called from, and relative paths are read from there. Paths must
# not contain spaces.
set -euo pipefail

# --- What to edit -----------------------------------------------------------
CLASS=${CLASS:-class}                # the folder of submissions (or an archive)
SHARDS=${SHARDS:-8}                  # how many jobs score the pairs
OPTIONS=${OPTIONS:-}                 # how to read it, e.g. "--old lastyear --base template.c --ignore-comments"
LIST_OPTIONS=${LIST_OPTIONS:-}       # what to list, e.g. "--top 50 --min 0.5"
OUT=${OUT:-codetwin-out}             # where the reports, the listing and the logs go
CPUS=${CPUS:-4}                      # cores per shard job
MEM=${MEM:-2G}                       # memory per shard job
READ_MEM=${READ_MEM:-$MEM}           # memory for reading the class and for the merge
TIME=${TIME:-1:00:00}                # time limit per job
CODETWIN_CLASS=${CODETWIN_CLASS:-codetwin-class}  # the program, if not on PATH
SBATCH_OPTIONS=${SBATCH_OPTIONS:-}   # more for sbatch, e.g. "--partition=short --account=cs101"
# ---------------------------------------------------------------------------

# The reports; the merge must be given the same kinds as the shards.
OUTPUTS=${OUTPUTS:-"--csv $OUT/pairs.csv --json $OUT/pairs.json --html $OUT/report.html"}
PARTS=${PARTS:-$OUT/parts}           # the shards' part files
CLASS_FILE=${CLASS_FILE:-$OUT/class.ctw}  # the class read once
mkdir -p "$OUT/logs" "$PARTS"

# The jobs get these through their environment (--export=ALL).
export CLASS SHARDS OPTIONS LIST_OPTIONS OUT OUTPUTS PARTS CLASS_FILE CODETWIN_CLASS
here=$(dirname "$0")

# shellcheck disable=SC2086 # SBATCH_OPTIONS holds several words
read_id=$(sbatch --parsable --export=ALL --job-name=codetwin-read \
  --cpus-per-task=1 --mem="$READ_MEM" --time="$TIME" \
  --output="$OUT/logs/read.log" $SBATCH_OPTIONS "$here/read.sbatch")
read_id=${read_id%%;*}  # "ID;CLUSTER" on a federation

# The shards start once the class file is written.
# shellcheck disable=SC2086
array_id=$(sbatch --parsable --export=ALL --job-name=codetwin-shard \
  --dependency="afterok:$read_id" \
  --array="0-$((SHARDS - 1))" --cpus-per-task="$CPUS" --mem="$MEM" --time="$TIME" \
  --output="$OUT/logs/shard-%a.log" $SBATCH_OPTIONS "$here/codetwin-class.sbatch")
array_id=${array_id%%;*}

# The merge starts once every shard has succeeded.
# shellcheck disable=SC2086
merge_id=$(sbatch --parsable --export=ALL --job-name=codetwin-merge \
  --dependency="afterok:$array_id" --cpus-per-task=1 --mem="$READ_MEM" --time="$TIME" \
  --output="$OUT/logs/merge.log" $SBATCH_OPTIONS "$here/merge.sbatch")
merge_id=${merge_id%%;*}

echo "read:   job $read_id"
echo "shards: job $array_id (array 0-$((SHARDS - 1)))"
echo "merge:  job $merge_id"
echo "when it is done: $OUT/listing.txt and the reports in $OUT"
