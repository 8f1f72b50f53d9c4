#!/usr/bin/env bash
# Fuzzes the HTML label's markup engine: builds fuzz/ with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for
# a time budget. Exits non-zero when an input crashes, leaks or hangs; the
# input is left in build-fuzz/crashes/.
#
# Usage: scripts/fuzz-htmlabel.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

budget="${1:-60}"
build=build-fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j"$(nproc)" --target htmlabel_fuzz

# New inputs go to the build tree's corpus; fuzz/corpus only seeds it.
mkdir -p "$build/corpus" "$build/crashes"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/htmlabel_fuzz" \
  -max_total_time="$budget" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -artifact_prefix="$build/crashes/" -print_final_stats=1 \
  "$build/corpus" fuzz/corpus
