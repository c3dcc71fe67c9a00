#!/usr/bin/env bash
# Every relative link and picture in the Markdown files under ROOT reaches a
# file that exists, and a link's #anchor a heading of that file (anchors as
# GitHub makes them). Links into code blocks, and to web addresses, are not
# followed. Targets matching MISSING_OK (an extended regex) may be absent:
# the installed man page lives in man1, not beside the guide.
#   tests/doc_links.sh ROOT [MISSING_OK]
set -euo pipefail
root=${1:?usage: doc_links.sh ROOT [MISSING_OK]}
missing_ok=${2:-}

# anchors FILE: the anchor of each heading of FILE, one a line.
anchors() {
  awk '/^```/ { code = !code; next } !code && /^#+ / { sub(/^#+ +/, ""); print }' "$1" |
    tr '[:upper:]' '[:lower:]' | sed -e 's/[^a-z0-9 _-]//g' -e 's/ /-/g'
}

# links FILE: every link target of FILE outside code blocks, one a line.
links() {
  awk '/^```/ { code = !code; next } !code' "$1" |
    grep -oE '\]\([^)[:space:]]+\)' | sed -e 's/^](//' -e 's/)$//' || true
}

status=0
found=0
while IFS= read -r -d '' file; do
  found=1
  dir=$(dirname "$file")
  while IFS= read -r link; do
    case $link in *://* | mailto:*) continue ;; esac
    path=${link%%#*}
    anchor=
    [[ $link == *'#'* ]] && anchor=${link#*#}
    target=$file
    [ -z "$path" ] || target=$dir/$path
    if [ ! -e "$target" ]; then
      if [ -n "$missing_ok" ] && [[ $path =~ $missing_ok ]]; then continue; fi
      echo "${file#"$root"/}: link to '$link': no such file"
      status=1
    elif [ -n "$anchor" ] && ! anchors "$target" | grep -qxF -- "$anchor"; then
      echo "${file#"$root"/}: link to '$link': no such heading"
      status=1
    fi
  done < <(links "$file")
done < <(find "$root" -name '*.md' -not -path '*/build/*' -print0)
[ $found = 1 ] || { echo "no Markdown files under $root"; exit 1; }
exit $status
