#!/usr/bin/env bash
# An animation against a still of the same work: frames=FRAMES (60) at size
# SIZE (1080), 50 hits per pixel each, and one fast still with the same
# total steps at the same size, under one frozen clock (the same map),
# alternating, ROUNDS animations (2) with a still before, between and after.
# Prints each time, the median of each, the ratio (the animation may take at
# most 1.5 times the still), and the flicker of the last animation's frames
# (frame_flicker: the largest difference between consecutive frames within
# 3 times the median).
#   bench/animation_speed.sh [BUILD_DIR] [ROUNDS] [FRAMES] [SIZE]
set -euo pipefail
build=$(realpath "${1:-build/release}")
rounds=${2:-2}
frames=${3:-60}
size=${4:-1080}
steps=$((frames * 50 * size * size))
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# run NAME OPTIONS...: "ELAPSED CPU" seconds of one run (CPU: user and
# system, the fairer measure on a loaded machine); its pictures go to
# $folder/NAME/.
run() {
  local name=$1
  shift
  rm -rf "${folder:?}/$name" && mkdir "$folder/$name"
  (cd "$folder/$name" && TZ=UTC /usr/bin/time -f '%e %U %S' -o "$folder/.time" \
     faketime -f '2026-01-01 00:00:00' "$build/marl" "size=$size" "$@" >/dev/null)
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$folder/.time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "animation: frames=$frames size=$size; still: mode=fast it=$steps size=$size"
still=() stillCpu=() animation=() animationCpu=()
stillRun() {
  read -r e c < <(run still mode=fast "it=$steps")
  still+=("$e") stillCpu+=("$c")
  echo "still:     $e s elapsed, $c s CPU"
}
for ((r = 1; r <= rounds; ++r)); do
  stillRun
  read -r e c < <(run frames "frames=$frames")
  animation+=("$e") animationCpu+=("$c")
  echo "animation: $e s elapsed, $c s CPU"
done
stillRun
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
for kind in elapsed CPU; do
  if [ $kind = elapsed ]; then
    ms=$(printf '%s\n' "${still[@]}" | median)
    ma=$(printf '%s\n' "${animation[@]}" | median)
  else
    ms=$(printf '%s\n' "${stillCpu[@]}" | median)
    ma=$(printf '%s\n' "${animationCpu[@]}" | median)
  fi
  echo "median $kind: still $ms s, animation $ma s: the animation takes $(ratio "$ma" "$ms") times the still"
done
"$build/frame_flicker" "$folder"/frames/*_f*.* || echo "flicker: the largest difference is above 3 times the median"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
