# bash completion for marl(1), made by marl_options_doc bash from the
# option table in src/options/: option keys as key=, the words each
# value may be, file names after file=, basename= and morph=. Uses only
# bash builtins, so it works without the bash-completion package's
# helpers.

_marl() {
  # The whole word being typed: bash splits key=value at the '=' when '=' is
  # in COMP_WORDBREAKS, so read it from the line instead of COMP_WORDS.
  local line=${COMP_LINE:0:COMP_POINT}
  local word=${line##*[[:space:]]}
  COMPREPLY=()

  if [[ $word != *=* ]]; then
    local keys="count= it= size= width= height= shiftx= shifty= detail= image=
      depth= background= quality= basename= R0= G0= B0= R1= G1= B1= colors=
      palette= reverse= blend= tone= gamma= filter= deradius= decurve=
      demirror= quazi= qline= qsize= qx= qy= qscale= qsep= mode= threads=
      seed= catalogue= frames= loop= plane= morph= only= keyframes= frame=
      video= fps= keepframes= crf= preset= chroma= file= counts= checkpoint=
      linear= offset= startx= starty= coefficients= number= attempt= spacings=
      check= port= host= open= folder="
    # Bare words count only before the first key=value word.
    local before=${line%"$word"}
    [[ $before == *=* ]] || keys+=" help -h version --version explore"
    COMPREPLY=($(compgen -W "$keys" -- "$word"))
    [[ " ${COMPREPLY[*]} " == *"= "* ]] && compopt -o nospace 2>/dev/null
    return 0
  fi

  local key=${word%%=*} value=${word#*=}
  case $key in
    image) COMPREPLY=($(compgen -W "jpeg tiff gif bmp png webp" -- "$value")) ;;
    depth) COMPREPLY=($(compgen -W "8 16" -- "$value")) ;;
    background) COMPREPLY=($(compgen -W "none" -- "$value")) ;;
    quality) COMPREPLY=($(compgen -W "lossless" -- "$value")) ;;
    palette) COMPREPLY=($(compgen -W "list random viridis magma inferno
      plasma twilight twilight_shifted ember glacier lagoon aurora dusk
      sepia neon moss rose brass ink spectrum" -- "$value")) ;;
    reverse | demirror | quazi | keepframes | counts | open) COMPREPLY=($(compgen -W "true
      false" -- "$value")) ;;
    blend) COMPREPLY=($(compgen -W "rgb oklab" -- "$value")) ;;
    tone) COMPREPLY=($(compgen -W "equalize log linear" -- "$value")) ;;
    filter) COMPREPLY=($(compgen -W "none de" -- "$value")) ;;
    mode) COMPREPLY=($(compgen -W "exact fast" -- "$value")) ;;
    video) COMPREPLY=($(compgen -W "mp4 webm gif webp" -- "$value")) ;;
    preset) COMPREPLY=($(compgen -W "ultrafast superfast veryfast faster
      fast medium slow slower veryslow" -- "$value")) ;;
    chroma) COMPREPLY=($(compgen -W "420 444" -- "$value")) ;;
    basename | catalogue | morph | file | folder)
      compopt -o filenames 2>/dev/null
      local IFS=$'\n'
      COMPREPLY=($(compgen -f -- "$value"))
      ;;
  esac
  # Without '=' in COMP_WORDBREAKS the reply replaces the whole key=value.
  if [[ $COMP_WORDBREAKS != *=* ]]; then
    COMPREPLY=("${COMPREPLY[@]/#/$key=}")
  fi
  return 0
}
complete -F _marl marl
