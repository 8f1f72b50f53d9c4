#!/usr/bin/env bash
# read-sample.sh as on a fresh headless login: no runtime directory, no
# session bus, no audio device. The user sees where the speech went and no
# warnings about what the demo sets up itself.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY -u WAYLAND_DISPLAY \
  PULSE_SERVER=unix:/nonexistent/pulse XDG_CACHE_HOME="$work/cache" TEMP="$work" \
  PARLOTTO_TIME_SCALE=0.2 "$source_dir/scripts/read-sample.sh" "$build" >"$work/out" 2>&1 ||
  { cat "$work/out"; echo "FAIL: read-sample.sh failed"; exit 1; }
cat "$work/out"
grep -q "speech is written to $work/cache/parlotto/speech.wav" "$work/out" ||
  { echo "FAIL: where the speech went is not said"; exit 1; }
[ "$(wc -l <"$work/out")" -eq 1 ] || { echo "FAIL: more than that one line"; exit 1; }
[ -s "$work/cache/parlotto/speech.wav" ] || { echo "FAIL: no speech"; exit 1; }
for dir in "${TMPDIR:-/tmp}"/parlotto-runtime.*; do
  # Only this run's directory would be newer than $work: a leak.
  if [ -e "$dir" ] && [ "$dir" -nt "$work" ]; then
    echo "FAIL: $dir was left behind"
    exit 1
  fi
done
echo "ok"
