#!/usr/bin/env bash
# Fails when a source file includes from a folder above its own: the folders
# stack driver -> animation -> job -> quazi -> readers -> video -> image ->
# colour -> attractor -> files -> options -> base. A unit's test may also read back
# through a room above (a written video's text, say): tests are no room's
# library.
set -euo pipefail
src="${1:?usage: include_order.sh SRC_DIR}"
rank() {
  case "$1" in
    base) echo 0 ;; options) echo 1 ;; files) echo 2 ;; attractor) echo 3 ;;
    colour) echo 4 ;; image) echo 5 ;; video) echo 6 ;; readers) echo 7 ;;
    quazi) echo 8 ;; job) echo 9 ;; animation) echo 10 ;; driver) echo 11 ;;
    *) echo -1 ;;
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
