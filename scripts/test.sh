#!/usr/bin/env bash
# Runs every test: installs what is missing, builds with AddressSanitizer,
# UndefinedBehaviorSanitizer and warnings as errors, and runs the suite on a
# private session bus with Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh

build=build-test
# Line tables are all the sanitizers' reports need; full debug information
# makes the build a tenth slower.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DPARLOTTO_SANITIZE=ON -DPARLOTTO_WERROR=ON -DPARLOTTO_TESTS=ON
cmake --build "$build" -j"$(nproc)"

# Formatting of every file, clang-tidy on the files that changed.
scripts/lint.sh "$build"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Nothing a test does may touch the user's own settings, log or desktop.
export XDG_CONFIG_HOME="$PWD/$build/test-home/config"
export XDG_CACHE_HOME="$PWD/$build/test-home/cache"
export TEMP="$PWD/$build/test-home/tmp"
export XDG_RUNTIME_DIR="$PWD/$build/test-home/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$TEMP" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# A PulseAudio daemon of the tests' own with a null sink, so that playing
# through an audio device is tested too.
source scripts/private-pulse.sh
trap stop_private_pulse EXIT
start_private_pulse parlotto_test "$PWD/$build/test-home/pulseaudio.log"
export PARLOTTO_TEST_AUDIO_DEVICE=1

# Every parser of outside input, and the calls a hostile bus client can
# send, against generated input for a short while; each run first replays
# its corpus, which keeps every input that once crashed.
scripts/fuzz.sh all 20

# Most tests wait on timers, other processes and the bus rather than the
# processor (a third of two cores at one test per core): two per core.
dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j"$(($(nproc) * 2))" --timeout 600
