#!/usr/bin/env bash
# scripts/slurm-batch.sh as Slurm runs it, a task at a time: a seed each,
# one catalogue, and a task submitted again once done makes nothing.
set -euo pipefail
marl=${1:?usage: slurm_batch_test.sh MARL SOURCE_FOLDER}
source=${2:?the source folder}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

run_task() {
  SLURM_ARRAY_TASK_ID=$1 SLURM_SUBMIT_DIR=$folder SLURM_CPUS_PER_TASK=1 \
    SEED_BASE=100 MARL=$marl \
    bash "$source/scripts/slurm-batch.sh" 2 size=40 it=20000 image=png \
    >"$folder/.log" 2>&1
}
for task in 1 2 3; do run_task "$task"; done

fail() { echo "FAIL: $*"; cat "$folder/.log"; exit 1; }
catalogue=$folder/marl-batch.jsonl
[ -f "$catalogue" ] || fail "no catalogue"
[ "$(wc -l <"$catalogue")" -eq 6 ] || fail "$(wc -l <"$catalogue") lines, not 6"
for seed in 101 102 103; do
  n=$(grep -c "\"seed\":$seed," "$catalogue" || true)
  [ "$n" -eq 2 ] || fail "seed $seed listed $n times"
done
[ "$(find "$folder" -name '*.png' | wc -l)" -eq 6 ] || fail "not 6 pictures"

run_task 2
grep -q "seed 102 is listed 2 times" "$folder/.log" || fail "task 2 ran again"
[ "$(wc -l <"$catalogue")" -eq 6 ] || fail "task 2 added lines"
[ "$(find "$folder" -name '*.png' | wc -l)" -eq 6 ] || fail "task 2 added pictures"
echo "slurm-batch.sh: 3 tasks, 6 pictures, one catalogue; a task done is not run again"
