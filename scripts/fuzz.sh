#!/usr/bin/env bash
# Fuzzes one target of fuzz/: builds the project with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) in build-fuzz/ and runs the
# target for a time budget, seeded from fuzz/corpus/TARGET. Exits non-zero
# when an input crashes, leaks or hangs; the input is left in
# build-fuzz/crashes/TARGET/.
#
# Usage: scripts/fuzz.sh TARGET [seconds]   (default 60)
#   TARGET: htmlabel, character_file, rtf_reader, text_decoder, document_text,
#           reg_text, typelib_description or bus_call; "all" builds every
#   target once and fuzzes them side by side, one per core, each for the
#   budget, and fails when any of them does.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: scripts/fuzz.sh TARGET [seconds]}
budget="${2:-60}"
build=build-fuzz
targets=(htmlabel character_file rtf_reader text_decoder document_text reg_text
  typelib_description bus_call)

configure() {
  cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER}
}

if [ "$target" = all ]; then
  configure
  cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"
  # Each run's output goes to a log of its own; a failing run's log is shown.
  mkdir -p "$build/logs"
  printf '%s\n' "${targets[@]}" | xargs -P"$(nproc)" -I{} sh -c \
    'if ! PARLOTTO_FUZZ_BUILT=1 "$0" {} "$1" >"$2/logs/{}.log" 2>&1; then
       tail -n 60 "$2/logs/{}.log"; echo "fuzz: {} failed" >&2; exit 1; fi
     echo "fuzz: {} ok"' "$0" "$budget" "$build"
  exit
fi

# The longest input worth trying: markup is short, a character file needs
# room for a zip with images.
case "$target" in
  htmlabel) max_len=16384 ;;
  character_file) max_len=65536 ;;
  rtf_reader | text_decoder | document_text | reg_text | typelib_description) max_len=65536 ;;
  bus_call) max_len=4096 ;;
  *)
    echo "unknown fuzz target: $target" >&2
    exit 2
    ;;
esac

# Built already when "all" runs this for each target side by side.
if [ -z "${PARLOTTO_FUZZ_BUILT:-}" ]; then
  configure
  cmake --build "$build" -j"$(nproc)" --target "${target}_fuzz"
fi

# New inputs go to the build tree's corpus; fuzz/corpus only seeds it.
corpus="$build/corpus/$target"
crashes="$build/crashes/$target"
mkdir -p "$corpus" "$crashes"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# A target's dictionary, when it has one, names the words of its input.
dict=()
if [ -f "fuzz/$target.dict" ]; then dict=(-dict="fuzz/$target.dict"); fi
# Calls over the bus need a session bus of their own.
bus=()
if [ "$target" = bus_call ]; then bus=(dbus-run-session --); fi
"${bus[@]}" "$build/${target}_fuzz" \
  -max_total_time="$budget" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -artifact_prefix="$crashes/" -print_final_stats=1 "${dict[@]}" \
  "$corpus" "fuzz/corpus/$target"
