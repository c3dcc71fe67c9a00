#!/usr/bin/env bash
# Builds the libFuzzer target for the option words and the parameter-file
# reader with clang (address and undefined-behaviour sanitizers) and runs it
# for a bounded time. Not part of the CMake build, which uses GCC.
#   scripts/fuzz.sh [SECONDS]    (default 60)
# Needs clang and libclang-rt-14-dev: scripts/install-deps.sh --fuzz.
# New inputs collect in build/fuzz/corpus; a failing input is saved as
# build/fuzz/crash-* and the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build/fuzz
mkdir -p "$out/corpus"

nice clang++ -std=c++17 -O1 -g -ffp-contract=off -Isrc \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/argument_map_fuzzer.cpp \
  src/base/escaped_text.cpp \
  src/driver/argument_map.cpp \
  src/driver/number_text.cpp \
  src/driver/parameter_lines.cpp \
  -o "$out/argument_map_fuzzer"

nice "$out/argument_map_fuzzer" -max_total_time="$seconds" -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/" \
  "$out/corpus" fuzz/seeds
