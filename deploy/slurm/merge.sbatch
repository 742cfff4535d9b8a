#!/usr/bin/env bash
# The job that submit.sh runs after every shard succeeded: merges the parts
# into the listing (kept in $OUT/listing.txt) and the reports, the same
# bytes a one-machine run writes. It takes the class (sources included)
# from the class file the shards took it from, by the same path, so it runs
# in the same folder as they did.
#SBATCH --job-name=codetwin-merge
set -euo pipefail
: "${SHARDS:?submit this job with submit.sh, which sets its variables}"

# Every part by its index, so that a missing one is named by the merge.
parts=()
for ((k = 0; k < SHARDS; k++)); do parts+=("$PARTS/part-$k.ctp"); done

# shellcheck disable=SC2086 # OUTPUTS holds several words
"$CODETWIN_CLASS" merge $OUTPUTS "${parts[@]}" >"$OUT/listing.txt"
cat "$OUT/listing.txt"
