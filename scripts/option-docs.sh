#!/usr/bin/env bash
# The files made from the option table: docs/options.md, the OPTIONS
# section of docs/marl.1 and completions/marl.bash.
#   option-docs.sh MARL_OPTIONS_DOC SOURCE_DIR          fails on a difference
#   option-docs.sh MARL_OPTIONS_DOC SOURCE_DIR --write  writes them anew
set -euo pipefail
tool=$(readlink -f "${1:?usage: option-docs.sh MARL_OPTIONS_DOC SOURCE_DIR [--write]}")
src=${2:?usage: option-docs.sh MARL_OPTIONS_DOC SOURCE_DIR [--write]}
write=${3:-}
made=$(mktemp -d)
trap 'rm -rf "$made"' EXIT

"$tool" markdown > "$made/options.md"
"$tool" bash > "$made/marl.bash"
# The page with its OPTIONS section, from the line after '.SH OPTIONS' to
# the next .SH, replaced by the table's.
"$tool" man > "$made/options.man"
awk -v section="$made/options.man" '
  /^\.SH/ && inOptions { inOptions = 0 }
  !inOptions { print }
  /^\.SH "?OPTIONS"?$/ { inOptions = 1; while ((getline line < section) > 0) print line }
' "$src/docs/marl.1" > "$made/marl.1"
grep -q '^\.SH "\?OPTIONS"\?$' "$src/docs/marl.1" ||
  { echo "$src/docs/marl.1 has no OPTIONS section"; exit 1; }

status=0
for pair in "options.md docs/options.md" "marl.1 docs/marl.1" "marl.bash completions/marl.bash"; do
  set -- $pair
  if [ "$write" = --write ]; then
    cp "$made/$1" "$src/$2"
  elif ! diff -u "$src/$2" "$made/$1"; then
    echo "$2 differs from what the option table makes"
    status=1
  fi
done
if [ $status -ne 0 ]; then
  echo "edit src/options/ and run: bash scripts/option-docs.sh $tool $(readlink -f "$src") --write"
fi
exit $status
