#!/usr/bin/env bash
# The man page lints clean and has an OPTIONS entry for every option key in
# the option table (docs/options.md): a new option must reach the page too.
set -euo pipefail
options=$1 page=$2
. "$(dirname "$0")/readme_option_keys.sh"

keys=$(readme_option_keys "$options")
[ -n "$keys" ] || { echo "no option keys found in $options's '## Options' table"; exit 1; }

# Words of the item tags (the line after each .TP) in the OPTIONS section,
# with font escapes and the leading macro removed.
tags=$(awk '
  /^\.SH/ { inOptions = ($0 ~ /^\.SH "?OPTIONS"?$/); next }
  inOptions && tagNext { print; tagNext = 0; next }
  inOptions && /^\.TP/ { tagNext = 1 }' "$page" |
  sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/\\&//g' -e 's/^\.[A-Z]* //' \
      -e 's/"//g' | tr ' ,=' '\n\n\n' | grep -v '^$' | sort -u)

status=0
for key in $keys; do
  grep -qxF -- "$key" <<<"$tags" || { echo "$page: OPTIONS has no entry for '$key'"; status=1; }
done

lint=$(mandoc -T lint -W style "$page" 2>&1) || true
[ -z "$lint" ] || { echo "$lint"; status=1; }
warnings=$(groff -man -wall -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "$warnings"; status=1; }
exit $status
