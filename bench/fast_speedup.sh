#!/usr/bin/env bash
# A whole default run (it=200000000, size 1201, JPEG) in exact and in fast
# mode, side by side under one frozen clock (so both make the same map), the
# fast run ROUNDS times around each exact one. Prints each time, the peak
# memory of each, and the ratio of the median times.
#   bench/fast_speedup.sh [MARL_BINARY] [ROUNDS] [EXTRA OPTIONS...]
set -euo pipefail
marl=$(realpath "${1:-build/release/marl}")
rounds=${2:-2}
shift $(( $# > 2 ? 2 : $# ))
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# run MODE: "SECONDS PEAK_KB" of one run in MODE, its pictures deleted after.
run() {
  local mode=$1
  shift
  (cd "$folder" && TZ=UTC /usr/bin/time -f '%e %M' -o "$folder/.time" \
     faketime -f '2026-01-01 00:00:00' "$marl" "mode=$mode" "$@" >/dev/null)
  cat "$folder/.time"
  rm -f "$folder"/*.jpg "$folder/.time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
exact=() fast=()
for ((r = 1; r <= rounds; ++r)); do
  read -r s k < <(run fast "$@"); fast+=("$s"); echo "fast:  $s s, $k KB"
  read -r s k < <(run exact "$@"); exact+=("$s"); echo "exact: $s s, $k KB"
done
read -r s k < <(run fast "$@"); fast+=("$s"); echo "fast:  $s s, $k KB"
me=$(printf '%s\n' "${exact[@]}" | median)
mf=$(printf '%s\n' "${fast[@]}" | median)
printf 'median: exact %.2f s, fast %.2f s, fast takes 1/%.1f of the time\n' \
  "$me" "$mf" "$(awk -v a="$me" -v b="$mf" 'BEGIN { print a / b }')"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
