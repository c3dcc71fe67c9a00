#!/usr/bin/env bash
# The bash completion, sourced into a plain bash (no bash-completion package
# helpers), completes what a user types, with '=' in COMP_WORDBREAKS (bash's
# default) and without it. Every key of the option table completes.
set -uo pipefail
script=$1 options=$2
. "$(dirname "$0")/readme_option_keys.sh"
. "$script"
keys=$(readme_option_keys "$options")
[ -n "$keys" ] || { echo "no option keys found in $options's '## Options' table"; exit 1; }
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
expect "marl size=3 " "count= it= size= width= height= shiftx= shifty= detail= image= basename= R0= G0= B0= R1= G1= B1= colors= palette= reverse= blend= tone= gamma= quazi= qline= qsize= qx= qy= qscale= qsep= mode= threads= file= number= attempt= linear= offset= startx= starty= coefficients= spacings= check= depth= background= quality= frames= loop= plane= morph= only= keyframes= frame= video= fps= keepframes="
for key in $keys; do
  COMP_LINE="marl $key" COMP_POINT=$((5 + ${#key})) _marl
  [[ " ${COMPREPLY[*]} " == *" $key"[=\ ]* ]] || { echo "option '$key' of $options does not complete"; status=1; }
done

COMP_WORDBREAKS=$' \t\n"\'><;|&(:'
expect "marl ima" "image="
expect "marl image=g" "image=gif"
expect "marl file=par" "file=params.txt"
exit $status
