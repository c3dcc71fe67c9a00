#!/usr/bin/env bash
# marl explore folder=DIR with a folder of COUNT pictures (200 by default,
# 1201 px JPEG as marl makes them by default, in fast mode): how soon after
# the page asks every card is there, and every picture decoded and shown,
# in headless Chromium, ROUNDS times (a fresh page each round).
#   bench/folder_speed.sh [MARL_BINARY] [COUNT] [ROUNDS]
# FOLDER=DIR takes the pictures already in DIR instead (making 200 takes
# minutes).
set -euo pipefail
marl=$(realpath "${1:-build/release/marl}")
count=${2:-200}
rounds=${3:-5}
here=$(dirname "$(realpath "$0")")
if [[ -n "${FOLDER:-}" ]]; then
  echo "$(ls "$FOLDER" | wc -l) files ($(du -sh "$FOLDER" | cut -f1)) in $FOLDER"
  exec /usr/bin/python3 "$here/folder_speed.py" "$marl" "$FOLDER" "$rounds"
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

# Two processes, a seed each, so the batch is made as a cluster makes one.
start=$(date +%s.%N)
for seed in 1 2; do
  (cd "$folder" && "$marl" seed=$seed count=$((count / 2)) mode=fast \
     it=20000000 basename=s$seed >/dev/null 2>&1) &
done
wait
echo "made $(ls "$folder" | wc -l) pictures ($(du -sh "$folder" | cut -f1)) in" \
     "$(echo "$(date +%s.%N) - $start" | bc) s"
/usr/bin/python3 "$here/folder_speed.py" "$marl" "$folder" "$rounds"
