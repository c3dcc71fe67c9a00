#!/usr/bin/env bash
# Builds libFuzzer targets with clang (address and undefined-behaviour
# sanitizers) and runs each for a bounded time, one after another:
#   argument_map   the option words and the parameter-file reader
#   jpeg_text, tiff_text, gif_text, png_text, webp_text
#                  one picture reader each, seeded with pictures marl made
#                  (fuzz/picture_seeds)
#   counts_file    the counts-file reader and its state, seeded with
#                  counts files marl made (fuzz/counts_seeds)
#   scripts/fuzz.sh [SECONDS] [TARGET...]   (default 60 s, every target)
# Not part of the CMake build, which uses GCC. Needs clang and
# libclang-rt-14-dev: scripts/install-deps.sh --fuzz.
# New inputs collect in build/fuzz/TARGET/corpus; a failing input is saved
# as build/fuzz/TARGET/crash-* and the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(argument_map jpeg_text tiff_text gif_text png_text webp_text counts_file)
fi

# The recipe check reaches job/ headers, which include no library of theirs.
flags=(-std=c++17 -O1 -g -ffp-contract=off -Isrc
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
readers=(src/files/bounded_file.cpp src/readers/embedded_text.cpp
         src/readers/jpeg_text_reader.cpp src/readers/tiff_text_reader.cpp
         src/image/tiff_client.cpp src/readers/gif_text_reader.cpp
         src/readers/png_text_reader.cpp src/readers/webp_text_reader.cpp
         src/image/xmp_packet.cpp src/readers/media_text_reader.cpp
         src/video/video_module.cpp src/base/escaped_text.cpp)
# MP4 and WebM texts come from the video module, which is not beside the
# fuzzers: they are not fuzzed here.
libraries=(-ljpeg -ltiff -lgif -lspng -lwebp -ldl)

build() {
  local target=$1 out=$2
  case "$target" in
    argument_map)
      nice clang++ "${flags[@]}" fuzz/argument_map_fuzzer.cpp \
        src/driver/argument_map.cpp \
        src/driver/number_text.cpp src/driver/option_reader.cpp \
        src/driver/parameter_lines.cpp src/options/option_table.cpp \
        src/options/picture_option_entries.cpp src/options/run_option_entries.cpp \
        "${readers[@]}" src/job/recipe.cpp "${libraries[@]}" -o "$out" ;;
    jpeg_text|tiff_text|gif_text|png_text|webp_text)
      local format reader
      case "$target" in
        jpeg_text) format=JPEG reader=readJpegText ;;
        tiff_text) format=TIFF reader=readTiffText ;;
        gif_text) format=GIF reader=readGifText ;;
        png_text) format=PNG reader=readPngText ;;
        webp_text) format=WebP reader=readWebpText ;;
      esac
      nice clang++ "${flags[@]}" -DMARL_FORMAT="\"$format\"" \
        -DMARL_READER="$reader" fuzz/picture_text_fuzzer.cpp \
        "${readers[@]}" "${libraries[@]}" -o "$out" ;;
    counts_file)
      nice clang++ "${flags[@]}" fuzz/counts_file_fuzzer.cpp \
        src/readers/counts_file_reader.cpp src/image/counts_tiff_tag.cpp \
        src/image/tiff_client.cpp src/job/counts_state.cpp \
        src/attractor/hit_grid.cpp "${libraries[@]}" -o "$out" ;;
    *) echo "fuzz.sh: unknown target '$target'" >&2; exit 2 ;;
  esac
}

for target in "${targets[@]}"; do
  dir=build/fuzz/$target
  mkdir -p "$dir/corpus"
  build "$target" "$dir/fuzzer"
  seeds=fuzz/seeds
  [ "$target" != argument_map ] && seeds=fuzz/picture_seeds
  [ "$target" = counts_file ] && seeds=fuzz/counts_seeds
  nice "$dir/fuzzer" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/" \
    "$dir/corpus" "$seeds"
done
