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

source "$(dirname "$0")/../../scripts/private-display.sh"
start_private_display "$work" || exit 1
pids+=("$private_display_pid")
export DISPLAY=$private_display

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
