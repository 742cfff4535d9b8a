#!/usr/bin/env bash
# One task of the array that submit.sh submits: scores slice
# $SLURM_ARRAY_TASK_ID of $SHARDS of the class's pairs into a part file,
# taking the class from the class file that read.sbatch wrote. SHARDS,
# LIST_OPTIONS, OUTPUTS, PARTS, CLASS_FILE and CODETWIN_CLASS come from
# submit.sh through the environment.
#SBATCH --job-name=codetwin-shard
set -euo pipefail
: "${SHARDS:?submit this job with submit.sh, which sets its variables}"

# As many threads as cores granted; without --cpus-per-task the program
# follows the cores the job may run on.
jobs=()
if [[ -n ${SLURM_CPUS_PER_TASK:-} ]]; then jobs=(-j "$SLURM_CPUS_PER_TASK"); fi

# A shard gets the same listing options and outputs as the whole run would
# (the class file holds those that read the class); it writes only its
# part, the outputs tell it which pairs to keep.
# shellcheck disable=SC2086 # LIST_OPTIONS and OUTPUTS hold several words
"$CODETWIN_CLASS" --from-class "$CLASS_FILE" $LIST_OPTIONS $OUTPUTS "${jobs[@]}" \
  --shard "task/$SHARDS" --part "$PARTS/part-$SLURM_ARRAY_TASK_ID.ctp"
