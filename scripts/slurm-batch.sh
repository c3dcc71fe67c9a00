#!/usr/bin/env bash
# Searches for pictures on a Slurm cluster as a job array: each task makes
# COUNT pictures from a seed of its own into the folder the array was
# submitted from (shared by every node), on the cores Slurm gives it, and
# lists each picture in one catalogue there, a JSON line each.
#   sbatch --array=1-100 --cpus-per-task=4 scripts/slurm-batch.sh COUNT [OPTIONS...]
# Task k uses seed=SEED_BASE+k (SEED_BASE is 0 unless set), so the array's
# range picks the seeds: a later --array=101-200 makes other pictures. The
# catalogue is marl-batch.jsonl unless CATALOGUE names another. OPTIONS are
# more marl options (mode=fast size=400 ...). A task whose seed the
# catalogue lists COUNT times already is done and makes nothing, so the
# array can be submitted again after some tasks failed.
#SBATCH --job-name=marl-batch
#SBATCH --output=marl-batch-%A_%a.log
set -euo pipefail
count=${1:?usage: sbatch --array=1-N scripts/slurm-batch.sh COUNT [OPTIONS...]}
shift
task=${SLURM_ARRAY_TASK_ID:?run this as a Slurm job array (sbatch --array=...)}
cd "${SLURM_SUBMIT_DIR:-.}"
seed=$((${SEED_BASE:-0} + task))
catalogue=${CATALOGUE:-marl-batch.jsonl}

# marl writes each line's keys in one order, without spaces, so a still of
# this seed is a line with these two fields in it.
listed=0
if [ -f "$catalogue" ]; then
  listed=$(grep -c "\"kind\":\"still\",.*\"seed\":$seed," "$catalogue" || true)
fi
if ((listed >= count)); then
  echo "task $task: seed $seed is listed $listed times in $catalogue already; nothing to make"
  exit 0
fi
exec "${MARL:-marl}" "seed=$seed" "count=$count" "catalogue=$catalogue" \
  "threads=${SLURM_CPUS_PER_TASK:-1}" "$@"
