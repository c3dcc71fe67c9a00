#!/usr/bin/env bash
# Makes docs/palettes.jpg, the README's contact sheet: one attractor, made
# once from fixed options under a frozen clock, then recoloured from its own
# recipe in every built-in palette, and the pictures laid out with their
# names by ImageMagick's montage (scripts/install-deps.sh --generate).
#   scripts/palette-sheet.sh [MARL] [OUTPUT]
set -euo pipefail
marl=$(realpath "${1:-build/release/marl}")
output=$(realpath -m "${2:-docs/palettes.jpg}")
command -v montage >/dev/null || { echo "montage (ImageMagick) is needed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The one recipe.
TZ=UTC faketime -f '2026-12-08 10:00:07' "$marl" size=240 it=6000000 \
  basename=base >/dev/null
base=$(ls base*.jpg)

tiles=()
for name in $("$marl" palette=list | awk 'NF > 1 && $1 != "palette=random" { print $1 }'); do
  mkdir "$name"
  "$marl" file="$base" palette="$name" basename="$name/tile" >/dev/null
  tiles+=(-label "$name" "$name"/tile*.jpg)
done

montage -font DejaVu-Sans -pointsize 14 -background '#202020' -fill '#e0e0e0' \
  "${tiles[@]}" -tile 6x -geometry +4+4 -quality 88 "$output"
echo "wrote $output"
