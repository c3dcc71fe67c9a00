#!/usr/bin/env bash
# This build's fast mode against another build's (an older commit, built in
# a worktree of its own), in one run: ROUNDS (3) default fast stills
# (`marl mode=fast`, size 1201, 200,000,000 steps) with each binary,
# alternating, under one frozen clock (the same map), then the medians and
# their ratio. Then whether both paint the same attractor: a 50,000,000-step
# still of the same map in exact mode and in fast mode with each binary,
# PNG, each reduced 4 x 4, and ImageMagick's normalised cross-correlation
# (`compare -metric NCC`) of each fast one with the exact one, and each
# one's mean absolute error to the exact one (full size): the exact orbit
# is another render of the same density, so equal errors mean the same
# distance, within the grain.
#   bench/fast_against_base.sh [BUILD_DIR] BASE_BUILD_DIR [ROUNDS]
set -euo pipefail
build=$(realpath "${1:-build/release}")
base=$(realpath "$2")
rounds=${3:-3}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
clock='2026-01-01 00:00:00'

# run BINARY NAME OPTIONS...: "ELAPSED CPU" of one run into $folder/NAME/.
run() {
  local binary=$1 name=$2
  shift 2
  rm -rf "${folder:?}/$name" && mkdir "$folder/$name"
  (cd "$folder/$name" && TZ=UTC /usr/bin/time -f '%e %U %S' -o "$folder/.time" \
     faketime -f "$clock" "$binary" "$@" >/dev/null)
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$folder/.time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
metric() { { compare -metric "$1" "$2" "$3" null: 2>&1 || true; } | sed 's/.*(\(.*\)).*/\1/'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
newE=() newC=() oldE=() oldC=()
for ((r = 1; r <= rounds; ++r)); do
  read -r e c < <(run "$base/marl" old mode=fast)
  oldE+=("$e") oldC+=("$c")
  echo "base: $e s elapsed, $c s CPU"
  read -r e c < <(run "$build/marl" new mode=fast)
  newE+=("$e") newC+=("$c")
  echo "this: $e s elapsed, $c s CPU"
done
for kind in elapsed CPU; do
  if [ $kind = elapsed ]; then
    o=$(printf '%s\n' "${oldE[@]}" | median); n=$(printf '%s\n' "${newE[@]}" | median)
  else
    o=$(printf '%s\n' "${oldC[@]}" | median); n=$(printf '%s\n' "${newC[@]}" | median)
  fi
  awk -v o="$o" -v n="$n" -v k=$kind 'BEGIN { printf "median %s: base %.2f s, this %.2f s: %.2f times as fast\n", k, o, n, o / n }'
done

steps=(it=50000000 image=png)
run "$build/marl" exact "${steps[@]}" >/dev/null
run "$base/marl" oldfast mode=fast "${steps[@]}" >/dev/null
run "$build/marl" newfast mode=fast "${steps[@]}" >/dev/null
for name in exact oldfast newfast; do
  convert "$folder/$name"/*.png -scale 25% "$folder/$name.png"
done
echo "NCC with exact mode (4 x 4 reduced): base $(metric NCC "$folder/oldfast.png" "$folder/exact.png"), this $(metric NCC "$folder/newfast.png" "$folder/exact.png")"
echo "MAE to exact mode: base $(metric MAE "$folder/oldfast/"*.png "$folder/exact/"*.png), this $(metric MAE "$folder/newfast/"*.png "$folder/exact/"*.png); base to this: $(metric MAE "$folder/oldfast/"*.png "$folder/newfast/"*.png)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
