#!/usr/bin/env bash
# Renders one animation on a Slurm cluster as a job array: each task makes
# one range of the frames into the folder the array was submitted from
# (shared by every node), on the cores Slurm gives it.
#   sbatch --array=0-15 --cpus-per-task=8 scripts/slurm-frames.sh FRAME FRAMES [OPTIONS...]
# FRAME is a frame of the animation (its recipe fixes everything; make one
# with `marl frames=FRAMES only=0 ...` first), FRAMES its number of frames,
# OPTIONS more marl options (mode=exact, ...). Frames made already are
# skipped, so a task or the whole array can simply be submitted again.
#SBATCH --job-name=marl-frames
#SBATCH --output=marl-frames-%A_%a.log
set -euo pipefail
frame=${1:?usage: sbatch --array=0-N scripts/slurm-frames.sh FRAME FRAMES [OPTIONS...]}
frames=${2:?the number of frames of the animation}
shift 2
task=${SLURM_ARRAY_TASK_ID:?run this as a Slurm job array (sbatch --array=...)}
first_task=${SLURM_ARRAY_TASK_MIN:-0}
tasks=${SLURM_ARRAY_TASK_COUNT:-$((${SLURM_ARRAY_TASK_MAX:-$task} - first_task + 1))}
cd "${SLURM_SUBMIT_DIR:-.}"

# Task k of n makes frames k*F/n to (k+1)*F/n - 1: the ranges cover every
# frame once, and differ in length by at most one.
k=$((task - first_task))
from=$((k * frames / tasks))
to=$(((k + 1) * frames / tasks - 1))
if ((from > to)); then
  echo "task $task: no frames left for it ($tasks tasks, $frames frames)"
  exit 0
fi
exec "${MARL:-marl}" "file=$frame" "only=$from-$to" "threads=${SLURM_CPUS_PER_TASK:-1}" "$@"
