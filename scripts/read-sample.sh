#!/usr/bin/env bash
# Reads the sample text aloud with the program just built, through its
# character (on the offscreen platform when there is no display). The demo
# keeps settings of its own in build/demo/, so the user's stay as they are.
# Without any audio device the speech goes to a WAV file, whose name the
# program prints.
#
# On a fresh headless login there is neither a runtime directory nor a
# session bus; the demo makes its own, so that the program's one line about
# where the speech went is not lost among warnings.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
case $build in /*) ;; *) build="$PWD/$build" ;; esac
export PARLOTTO_USER_HIVE="$build/demo/user.reg"
mkdir -p "$(dirname "$PARLOTTO_USER_HIVE")"
# The settings key without "noAgent" would mean no character; the place it
# was dragged to stays from one demo to the next.
"$build/parlotto-reg" add 'HKCU\Software\Zentravol\Agent' /v noAgent /t REG_DWORD /d 0 /f >/dev/null

own_runtime=""
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
  # mktemp -d makes it 0700, as the runtime directory must be.
  own_runtime=$(mktemp -d "${TMPDIR:-/tmp}/parlotto-runtime.XXXXXX")
  export XDG_RUNTIME_DIR="$own_runtime"
fi
cleanup() { if [ -n "$own_runtime" ]; then rm -rf "$own_runtime"; fi; }
trap cleanup EXIT

run=("$build/parlotto" -d "$(cat data/beispiel.txt)")
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "$XDG_RUNTIME_DIR/bus" ]; then
  run=(dbus-run-session -- "${run[@]}")
fi
# Two warnings say nothing about the demo: the bus daemon's when it may not
# raise its file limit (containers, root without CAP_SYS_RESOURCE), and the
# audio backend's when there is no sound server, which the program's own line
# about the WAV file already tells. Everything else on stderr stays.
{ "${run[@]}" 2>&1 1>&3 3>&- |
  sed -u -e '/^dbus-daemon\[[0-9]*\]: .*Failed to set fd limit/d' \
    -e '/^PulseAudioService: pa_context_connect() failed$/d' >&2; } 3>&1
