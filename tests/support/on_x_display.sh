#!/usr/bin/env bash
# Runs a test program on a private X display with openbox as the window
# manager, so that windows meet what a desktop does to them (reparenting,
# stacking, placement). Without Xvfb the program runs offscreen and its
# display tests skip themselves.
#
# Usage: on_x_display.sh PROGRAM [ARGS...]
set -uo pipefail
if ! command -v Xvfb >/dev/null; then
  QT_QPA_PLATFORM=offscreen "$@"
  exit
fi
work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own; Xvfb names it once it is ready.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

if command -v openbox >/dev/null; then
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  # Ready once it has claimed the screen's window-manager selection.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
fi

QT_QPA_PLATFORM=xcb "$@"
