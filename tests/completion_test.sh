#!/usr/bin/env bash
# The bash completion, sourced into a plain bash (no bash-completion package
# helpers), completes what a user types, with '=' in COMP_WORDBREAKS (bash's
# default) and without it. Every key of the option table (marl_options_doc
# keys) completes.
set -uo pipefail
script=$1 tool=$2
. "$script"
keys=$("$tool" keys | cut -f1 | sed 's/=$//')
[ -n "$keys" ] || { echo "$tool keys printed no key"; exit 1; }
# What completing after a pair offers: every key that takes a value, as
# key=, in the table's order.
valueKeys=$("$tool" keys | cut -f1 | grep '=$' | tr '\n' ' ')
valueKeys=${valueKeys% }
status=0
complete -p marl >/dev/null || { echo "sourcing $script registers no completion for marl"; status=1; }

# expect LINE REPLY...: completing at the end of LINE offers exactly REPLY.
expect() {
  local COMP_LINE=$1 COMP_POINT=${#1}
  shift
  COMPREPLY=()
  _marl
  if [[ "${COMPREPLY[*]}" != "$*" ]]; then
    echo "completing '$COMP_LINE' (COMP_WORDBREAKS has '=': $([[ $COMP_WORDBREAKS == *=* ]] && echo yes || echo no)):" \
         "got '${COMPREPLY[*]}', want '$*'"
    status=1
  fi
}

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/out" && touch "$folder/params.txt"
cd "$folder"

COMP_WORDBREAKS=$' \t\n"\'><=;|&(:'
expect "marl ima" "image="
expect "marl count=2 image=g" "gif"
expect "marl image=" "jpeg tiff gif bmp png webp"
expect "marl depth=1" "16"
expect "marl quality=l" "lossless"
expect "marl file=par" "params.txt"
expect "marl palette=ma" "magma"
expect "marl tone=l" "log linear"
expect "marl basename=o" "out"
expect "marl ver" "version"
expect "marl count=2 ver"
expect "marl size=3 " $valueKeys
expect "marl video=w" "webm webp"
expect "marl keepframes=" "true false"
expect "marl morph=par" "params.txt"
for key in $keys; do
  COMP_LINE="marl $key" COMP_POINT=$((5 + ${#key})) _marl
  [[ " ${COMPREPLY[*]} " == *" $key"[=\ ]* ]] || { echo "option '$key' does not complete"; status=1; }
done

COMP_WORDBREAKS=$' \t\n"\'><;|&(:'
expect "marl ima" "image="
expect "marl image=g" "image=gif"
expect "marl file=par" "file=params.txt"
exit $status
