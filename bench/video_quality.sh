#!/usr/bin/env bash
# How much of its frames a loop's MP4 keeps, on real runs of marl: for each
# size in SIZES ("480 1080") and each colouring (the drawn colours, and the
# high-contrast dark-blue-to-gold gradient), one animation of FRAMES (30)
# frames with video=mp4 and OPTIONS under a frozen clock. The decoded video
# is compared with its PNG frames converted as the encoder converts them
# (BT.709 matrix, limited range; FFmpeg's psnr filter, luma in dB), and the
# mean colour of its decoded frame 0 (BT.709 back to RGB) with frame 0's.
# Needs the ffmpeg command-line tool and ImageMagick, for measuring only.
# Exit status 1 when a luma PSNR is below 35 dB or a mean channel of frame
# 0 is off by more than 3 levels.
#   bench/video_quality.sh [BUILD_DIR] [FRAMES] [SIZES] [OPTIONS...]
set -euo pipefail
build=$(realpath "${1:-build/release}")
frames=${2:-30}
sizes=${3:-480 1080}
shift $(($# < 3 ? $# : 3))
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT

meanColour() {
  convert "$1" -format '%[fx:255*mean.r] %[fx:255*mean.g] %[fx:255*mean.b]' info:
}

worst=ok
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg); options: ${*:-none}"
echo "| size | colours | MP4 size | luma PSNR dB | frame 0 mean RGB (frames) | decoded | largest channel difference |"
echo "|---|---|---|---|---|---|---|"
for size in $sizes; do
  for colours in drawn gradient; do
    dir=$folder/$size-$colours
    mkdir -p "$dir"
    colourOption=()
    [ $colours = gradient ] && colourOption=(colors=102040,f0c020)
    (cd "$dir" && TZ=UTC faketime -f '2026-01-01 00:00:00' "$build/marl" \
       "size=$size" "frames=$frames" video=mp4 "${colourOption[@]}" "$@" \
       >/dev/null)
    video=$(ls "$dir"/*.mp4)
    first=$(ls "$dir"/*_f*.png | head -1)
    psnr=$(ffmpeg -hide_banner -nostats -i "$video" -pattern_type glob \
             -framerate 30 -i "$dir/*_f*.png" -lavfi \
             "[0:v]format=yuv444p[a];[1:v]scale=out_color_matrix=bt709:out_range=tv,format=yuv444p[b];[a][b]psnr" \
             -f null - 2>&1 | sed -n 's/.*PSNR y:\([0-9.inf]*\).*/\1/p')
    ffmpeg -hide_banner -v error -i "$video" -frames:v 1 -vf \
      "scale=in_color_matrix=bt709:in_range=tv:out_range=pc,format=rgb24" \
      "$dir/decoded.png"
    read -r r0 g0 b0 <<<"$(meanColour "$first")"
    read -r r1 g1 b1 <<<"$(meanColour "$dir/decoded.png")"
    difference=$(awk -v a="$r0 $g0 $b0" -v b="$r1 $g1 $b1" 'BEGIN {
      split(a, x); split(b, y); m = 0
      for (i = 1; i <= 3; ++i) { d = x[i] - y[i]; if (d < 0) d = -d; if (d > m) m = d }
      printf "%.2f", m }')
    bytes=$(stat -c %s "$video")
    printf '| %s | %s | %.1f MB | %s | %.1f, %.1f, %.1f | %.1f, %.1f, %.1f | %s |\n' \
      "$size" "$colours" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" \
      "$psnr" "$r0" "$g0" "$b0" "$r1" "$g1" "$b1" "$difference"
    if awk -v p="$psnr" -v d="$difference" 'BEGIN { exit !(p < 35 || d > 3) }'; then
      worst=failed
    fi
  done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $worst = ok ] || { echo "below 35 dB luma or more than 3 levels off"; exit 1; }
