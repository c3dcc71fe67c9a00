#!/usr/bin/env bash
# Speed-up of a batch on all cores over one core: `count=4 it=20000000`
# with threads=1 and threads=2 (or THREADS), under a frozen clock so that
# both make the same pictures, alternating ROUNDS times in one run so that
# other load on the machine hits both alike. Prints each time and the ratio
# of the medians.
#   bench/batch_speedup.sh [MARL_BINARY] [ROUNDS]
set -euo pipefail
marl=$(realpath "${1:-build/release/marl}")
rounds=${2:-3}
threads=${THREADS:-2}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# seconds N: wall time of one run with threads=N, its pictures deleted after.
seconds() {
  local start end
  start=$(date +%s.%N)
  (cd "$folder" && TZ=UTC faketime -f '2026-01-01 00:00:00' "$marl" \
     count=4 it=20000000 "threads=$1" >/dev/null)
  end=$(date +%s.%N)
  rm -f "$folder"/*
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
one=() many=()
for ((r = 1; r <= rounds; ++r)); do
  one+=("$(seconds 1)")
  many+=("$(seconds "$threads")")
  printf 'round %d: threads=1 %.2f s, threads=%d %.2f s\n' \
    "$r" "${one[-1]}" "$threads" "${many[-1]}"
done
m1=$(printf '%s\n' "${one[@]}" | median)
mn=$(printf '%s\n' "${many[@]}" | median)
printf 'median: threads=1 %.2f s, threads=%d %.2f s, speed-up %.2fx\n' \
  "$m1" "$threads" "$mn" "$(awk -v a="$m1" -v b="$mn" 'BEGIN { print a / b }')"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
