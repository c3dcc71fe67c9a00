#!/usr/bin/env bash
# Fails when a source file includes from a folder above its own: the folders
# stack driver -> animation -> job -> quazi -> readers -> video -> image ->
# colour -> attractor -> files -> base. A unit's test may also read back
# through a room above (a written video's text, say): tests are no room's
# library.
set -euo pipefail
src="${1:?usage: include_order.sh SRC_DIR}"
rank() {
  case "$1" in
    base) echo 0 ;; files) echo 1 ;; attractor) echo 2 ;; colour) echo 3 ;;
    image) echo 4 ;; video) echo 5 ;; readers) echo 6 ;; quazi) echo 7 ;;
    job) echo 8 ;; animation) echo 9 ;; driver) echo 10 ;; *) echo -1 ;;
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
done < <(grep -rnE '#include "[a-z]+/' "$src" --include='*.h' --include='*.cpp' \
           --exclude='*_test.cpp')
exit $bad
