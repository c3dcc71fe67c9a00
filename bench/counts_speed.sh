#!/usr/bin/env bash
# Kept counts against counting, each as a ratio within one run of this
# script, under one frozen clock (so that every run makes the same map):
#   1. a default picture (exact, size 1201, it=200000000): its run with
#      counts=true, then its picture coloured again from the counts file
#      (target: at most 1/100 of the run);
#   2. a print at size 16384 in fast mode (its recipe's it scaled to the
#      size, as a replay does, unless PRINT_IT is set): its fast run, then
#      its colouring from the counts file (target: at most 1/10), with the
#      peak memory of that colouring against the grid's own size;
#   3. an exact run at size 8000 of CHECKPOINT_IT steps (a few minutes),
#      keeping its counts, without and with checkpoint=1 (target: at most
#      2 % longer), with both runs' CPU time (user+sys) for a busy machine.
#      Checkpoints stop the orbit only for a copy of the grid (about 0.02 s
#      at this size) and are packed on another core, so on a shared machine
#      the ratio is mostly the machine's own spread (0.885 and 0.921 on
#      d8723b8, see docs/benchmarks.md).
#   bench/counts_speed.sh [MARL_BINARY] [MEASURES...]   (1 2 3 by default)
set -euo pipefail
marl=$(realpath "${1:-build/release/marl}")
shift || true
measures=("$@")
[ ${#measures[@]} -eq 0 ] && measures=(1 2 3)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

# timed DIR ARGS...: runs marl in DIR, leaves "SECONDS PEAK_KB USER SYS" in
# $timed.
timed() {
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && TZ=UTC /usr/bin/time -f '%e %M %U %S' -o "$folder/.time" \
     faketime -f '2026-01-01 00:00:00' "$marl" "$@" >/dev/null)
  timed=$(cat "$folder/.time")
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t ? "met" : "NOT met") }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# The map every measure counts: the default picture's, made fast for its
# recipe alone (its it stays the default, which a replay scales).
TZ=UTC faketime -f '2026-01-01 00:00:00' "$marl" mode=fast basename=recipe \
  >/dev/null
recipe=$(ls recipe*.jpg | head -1)

for measure in "${measures[@]}"; do
  case "$measure" in
    1)
      timed . counts=true basename=default
      read -r run runKb _ <<<"$timed"
      counts=$(ls default*_counts.tif)
      timed again file="../$counts"
      read -r again againKb _ <<<"$timed"
      cmp -s again/"${counts%_counts.tif}.jpg" "${counts%_counts.tif}.jpg" &&
        same=byte-identical || same=DIFFERENT
      r=$(ratio "$again" "$run")
      echo "default exact run: ${run} s, ${runKb} KB; colouring its counts:" \
           "${again} s, ${againKb} KB ($same); ratio $r," \
           "$(verdict "$r" 0.01) (<= 0.01)"
      rm -rf default* again ;;
    2)
      it=()
      [ -n "${PRINT_IT:-}" ] && it=("it=$PRINT_IT")
      timed . file="$recipe" size=16384 mode=fast counts=true basename=print \
        "${it[@]}"
      read -r run runKb _ <<<"$timed"
      counts=$(ls print*_counts.tif)
      timed again file="../$counts"
      read -r again againKb _ <<<"$timed"
      gridKb=$(( (16384 + 10) * (16384 + 10) * 4 / 1024 ))
      r=$(ratio "$again" "$run")
      echo "16384 fast print: ${run} s, ${runKb} KB, counts file" \
           "$(stat -c %s "$counts") bytes; colouring its counts: ${again} s," \
           "${againKb} KB (the grid alone: ${gridKb} KB); ratio $r," \
           "$(verdict "$r" 0.1) (<= 0.1)"
      rm -rf print* again ;;
    3)
      # Both keep their counts, so that the difference is the checkpoints
      # alone, not the counts file written at the end.
      steps=${CHECKPOINT_IT:-400000000}
      words=(file="../$recipe" size=8000 mode=exact it="$steps" counts=true)
      timed plain "${words[@]}"
      read -r plain _ plainUser plainSys <<<"$timed"
      # The checkpoints' clock must move, so this run's clock is not frozen
      # (a replay draws nothing from it).
      mkdir -p checked
      (cd checked && TZ=UTC /usr/bin/time -f '%e %M %U %S' -o "$folder/.time" \
         "$marl" "${words[@]}" checkpoint=1 >/dev/null)
      read -r checked _ checkedUser checkedSys < .time
      same=byte-identical
      for f in plain/*; do
        cmp -s "$f" "checked/${f#plain/}" || same=DIFFERENT
      done
      r=$(ratio "$checked" "$plain")
      echo "size 8000, exact, it=$steps, counts=true: ${plain} s; with" \
           "checkpoint=1: ${checked} s (files $same); ratio $r," \
           "$(verdict "$r" 1.02) (<= 1.02); CPU time (user+sys)" \
           "${plainUser}+${plainSys} s against ${checkedUser}+${checkedSys} s," \
           "ratio $(ratio "$(awk -v a="$checkedUser" -v b="$checkedSys" 'BEGIN { print a + b }')" \
                          "$(awk -v a="$plainUser" -v b="$plainSys" 'BEGIN { print a + b }')")"
      rm -rf plain checked ;;
  esac
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
