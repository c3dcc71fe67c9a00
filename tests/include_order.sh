#!/usr/bin/env bash
# Fails when a source file includes from a folder above its own: the folders
# stack driver -> animation -> job -> quazi -> render -> attractor -> base.
set -euo pipefail
src="${1:?usage: include_order.sh SRC_DIR}"
rank() {
  case "$1" in
    base) echo 0 ;; attractor) echo 1 ;; render) echo 2 ;; quazi) echo 3 ;;
    job) echo 4 ;; animation) echo 5 ;; driver) echo 6 ;; *) echo -1 ;;
  esac
}
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  room=$(basename "$(dirname "$file")")
  target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"${line#*:}")
  [ "$(rank "$target")" -ge 0 ] || continue
  if [ "$(rank "$target")" -gt "$(rank "$room")" ]; then
    echo "upward include: $line"
    bad=1
  fi
done < <(grep -rnE '#include "[a-z]+/' "$src" --include='*.h' --include='*.cpp')
exit $bad
