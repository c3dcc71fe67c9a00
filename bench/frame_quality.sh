#!/usr/bin/env bash
# How close a frame comes to the finished picture, and at what cost. For
# each of MAPS maps (3, each drawn under its own frozen clock) and each
# size in SIZES ("480 1080"), a fast still in dark blue to gold is replayed
# from its recipe as the converged picture (1600 hits a pixel, no filter)
# and as each frame setting below; every setting's mean absolute error to
# the converged picture (ImageMagick `compare -metric MAE`, normalised) and
# its CPU time (user and system, one run of the whole program) are printed
# as a table, then the mean of each setting over the cases. A replay runs
# an exact prefix before its fast orbits, a frame does not, so last the
# filter's own cost is measured on animations: FRAMES (12) frames at size
# 1080 with filter=none and with the frames' default filter, alternating,
# ROUNDS (2) of each, and the flicker of the filtered frames (frame_flicker).
#   bench/frame_quality.sh [BUILD_DIR] [MAPS] [SIZES] [SETTINGS_FILE] [FRAMES] [ROUNDS]
# SETTINGS_FILE: lines "NAME HITS_A_PIXEL OPTION..." (default: the list
# below), e.g. "de50 50 filter=de".
set -euo pipefail
build=$(realpath "${1:-build/release}")
maps=${2:-3}
sizes=${3:-480 1080}
settingsFile=${4:-}
frames=${5:-12}
rounds=${6:-2}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
colours=colors=102040,f0c020

if [ -n "$settingsFile" ]; then
  settings=$(cat "$settingsFile")
else
  settings=$(cat <<'EOF'
today50 50 filter=none
plain200 200 filter=none
de50 50 filter=de
de35 35 filter=de
de50-nomirror 50 filter=de demirror=false
de50-r2c0 50 filter=de deradius=2 decurve=0
de50-r6c4 50 filter=de deradius=6 decurve=0.4
de50-r9c5 50 filter=de deradius=9 decurve=0.5
mirror50 50 filter=de deradius=0
EOF
)
fi

# cpu DIR OPTIONS...: CPU seconds of one run in DIR.
cpu() {
  local dir=$1
  shift
  (cd "$dir" && /usr/bin/time -f '%U %S' -o "$folder/.time" "$build/marl" "$@" \
     >/dev/null 2>"$folder/.err") || { cat "$folder/.err" >&2; exit 1; }
  awk '{ printf "%.2f", $1 + $2 }' "$folder/.time"
}
# compare exits 1 when the pictures differ, which they do.
mae() { { compare -metric MAE "$1" "$2" null: 2>&1 || true; } | sed 's/.*(\(.*\)).*/\1/'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| map | size | setting | hits a pixel | CPU s | MAE to converged |"
echo "|---|---|---|---|---|---|"
results=$folder/results
: >"$results"
for ((m = 1; m <= maps; ++m)); do
  for size in $sizes; do
    dir=$folder/m$m-$size
    mkdir -p "$dir"
    (cd "$dir" && TZ=UTC faketime -f "2026-01-0$m 00:00:00" "$build/marl" \
       "size=$size" mode=fast "$colours" image=png it=2000000 basename=still \
       >/dev/null)
    still=$(ls "$dir"/still*.png)
    px=$((size * size))
    cpu "$dir" "file=$still" "it=$((1600 * px))" filter=none \
      basename=converged >/dev/null
    converged=$(ls "$dir"/converged*.png)
    while read -r name hits options; do
      [ -z "$name" ] && continue
      # shellcheck disable=SC2086
      seconds=$(cpu "$dir" "file=$still" "it=$((hits * px))" $options \
                  "basename=$name")
      error=$(mae "$dir/$name"*.png "$converged")
      echo "| $m | $size | $name | $hits | $seconds | $error |"
      echo "$name $seconds $error" >>"$results"
    done <<<"$settings"
  done
done
echo
echo "| setting | mean CPU s | mean MAE | worst MAE |"
echo "|---|---|---|---|"
awk '{ n[$1]++; c[$1] += $2; e[$1] += $3; if ($3 > w[$1]) w[$1] = $3;
       if (!($1 in o)) { o[$1] = ++k; names[k] = $1 } }
     END { for (i = 1; i <= k; ++i) { s = names[i];
       printf "| %s | %.2f | %.4f | %.4f |\n", s, c[s] / n[s], e[s] / n[s], w[s] } }' \
  "$results"

echo
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
plain=() filtered=()
for ((r = 1; r <= rounds; ++r)); do
  for kind in none de; do
    rm -rf "${folder:?}/anim-$kind" && mkdir "$folder/anim-$kind"
    seconds=$(TZ=UTC faketime -f '2026-01-01 00:00:00' bash -c \
      "cd '$folder/anim-$kind' && /usr/bin/time -f '%U %S' -o '$folder/.time' \
       '$build/marl' size=1080 frames=$frames '$colours' filter=$kind >/dev/null" \
      && awk '{ printf "%.2f", $1 + $2 }' "$folder/.time")
    echo "animation frames=$frames size=1080 filter=$kind: $seconds s CPU"
    if [ $kind = none ]; then plain+=("$seconds"); else filtered+=("$seconds"); fi
  done
done
mp=$(printf '%s\n' "${plain[@]}" | median)
mf=$(printf '%s\n' "${filtered[@]}" | median)
awk -v p="$mp" -v f="$mf" 'BEGIN { printf "median CPU: none %.2f s, de %.2f s: the filter adds %.1f%% to a frame\n", p, f, 100 * (f - p) / p }'
"$build/frame_flicker" "$folder"/anim-de/*_f*.* ||
  echo "flicker: the largest difference is above 3 times the median"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
