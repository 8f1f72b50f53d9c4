#!/usr/bin/env bash
# Runs every test: installs what is missing, builds with AddressSanitizer,
# UndefinedBehaviorSanitizer and warnings as errors, and runs the suite on a
# private session bus with Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DPARLOTTO_SANITIZE=ON -DPARLOTTO_WERROR=ON
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
# through an audio device is tested too. Its socket lives in a short private
# directory: socket paths are limited to about 100 characters.
export PULSE_RUNTIME_PATH
PULSE_RUNTIME_PATH=$(mktemp -d "${TMPDIR:-/tmp}/parlotto-pulse.XXXXXX")
pulse_log="$PWD/$build/test-home/pulseaudio.log"
pulseaudio --daemonize=no --system=false --disallow-exit --exit-idle-time=-1 -n \
  --use-pid-file=no --log-target=file:"$pulse_log" \
  --load="module-null-sink sink_name=parlotto_test" \
  --load="module-native-protocol-unix auth-anonymous=1" &
pulse_pid=$!
stop_audio() {
  kill "$pulse_pid" 2>/dev/null || true
  wait "$pulse_pid" 2>/dev/null || true
  rm -rf "$PULSE_RUNTIME_PATH"
}
trap stop_audio EXIT
for _ in $(seq 100); do
  if pactl info >/dev/null 2>&1; then break; fi
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "PulseAudio did not start; the end of $pulse_log:" >&2
  tail -n 20 "$pulse_log" >&2
  exit 1
fi
export PARLOTTO_TEST_AUDIO_DEVICE=1

# The label's markup parser against a minute of generated input.
scripts/fuzz-htmlabel.sh 60

dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
