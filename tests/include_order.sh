#!/usr/bin/env bash
# Fails when a source file includes from a folder above its own: the folders
# stack driver and explore (side by side) -> animation -> job -> quazi -> readers -> video -> image ->
# colour -> attractor -> files -> options -> base. A unit's test may also
# read back through a room above (a written video's text, say): tests are
# no room's library.
set -euo pipefail
src="${1:?usage: include_order.sh SRC_DIR}"
# The rooms from the bottom up; rooms on one line stand side by side.
ranks='
base
options
files
attractor
colour
image
video
readers
quazi
job
animation
driver explore
'
grep -rnE '#include "[a-z]+/' "$src" --include='*.h' --include='*.cpp' \
     --exclude='*_test.cpp' |
  awk -v ranks="$ranks" '
    BEGIN {
      n = split(ranks, lines, "\n"); r = 0
      for (i = 1; i <= n; i++) {
        if (lines[i] == "") continue
        m = split(lines[i], names, " ")
        for (j = 1; j <= m; j++) rank[names[j]] = r
        r++
      }
    }
    {
      file = $0; sub(/:.*/, "", file)
      k = split(file, parts, "/"); room = parts[k - 1]
      target = $0; sub(/.*#include "/, "", target); sub(/\/.*/, "", target)
      if (!(target in rank)) next
      if (!(room in rank) || rank[target] > rank[room]) {
        print "upward include: " $0; bad = 1
      }
    }
    END { exit bad }'
