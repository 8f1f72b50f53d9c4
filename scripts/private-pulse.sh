# Sourced by the scripts that play through an audio device of their own: a
# PulseAudio daemon with one null sink, started without its default script
# (so no module-suspend-on-idle: the sink never sleeps between pieces). Its
# socket lives in a short private directory: socket paths are limited to
# about 100 characters.

# start_private_pulse SINK LOG: starts it, exports PULSE_RUNTIME_PATH and
# waits until it answers; 1, with the end of LOG on stderr, when it does not.
start_private_pulse() {
  local sink=$1 log=$2
  export PULSE_RUNTIME_PATH
  PULSE_RUNTIME_PATH=$(mktemp -d "${TMPDIR:-/tmp}/parlotto-pulse.XXXXXX")
  pulseaudio --daemonize=no --system=false --disallow-exit --exit-idle-time=-1 -n \
    --use-pid-file=no --log-target=file:"$log" \
    --load="module-null-sink sink_name=$sink" \
    --load="module-native-protocol-unix auth-anonymous=1" &
  private_pulse_pid=$!
  for _ in $(seq 100); do
    if pactl info >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "PulseAudio did not start; the end of $log:" >&2
  tail -n 20 "$log" >&2
  return 1
}

# stop_private_pulse: stops it and removes its directory; harmless when it
# never started.
stop_private_pulse() {
  if [[ -n "${private_pulse_pid:-}" ]]; then
    kill "$private_pulse_pid" 2>/dev/null || true
    wait "$private_pulse_pid" 2>/dev/null || true
    private_pulse_pid=
  fi
  if [[ -n "${PULSE_RUNTIME_PATH:-}" ]]; then rm -rf "$PULSE_RUNTIME_PATH"; fi
}
