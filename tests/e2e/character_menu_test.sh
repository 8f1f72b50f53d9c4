#!/usr/bin/env bash
# "Beenden" in the character's own menu during a long reading: a real
# right click on the figure and the entry chosen with the keyboard, on a
# private X display. The speech stops at once and the program ends about
# five seconds later, as after any reading. Skipped (77) without Xvfb or
# xdotool.
#
# Usage: character_menu_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in Xvfb xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; exit 1; }

source "$(dirname "$0")/../../scripts/private-display.sh"
start_private_display "$work" || fail "Xvfb did not start"
pids+=("$private_display_pid")
export DISPLAY=$private_display

printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000000\n' \
  >"$work/user.reg"
text=$(for _ in $(seq 30); do printf 'Wir lesen einen langen Text ohne Ende. '; done)
# On a bus of its own: a character server of another test must not answer.
env -u PARLOTTO_SYSTEM_DIR -u QT_QPA_PLATFORM PARLOTTO_USER_HIVE="$work/user.reg" \
  PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$work/trace" TEMP="$work" \
  PARLOTTO_DIALOGS="record:$work/dialogs.txt" PARLOTTO_AGENT_LINGER_MS=300 \
  dbus-run-session -- "$build/parlotto" -d "$text" >"$work/parlotto.log" 2>&1 &
program=$!
pids+=($program)

# The figure: a window of the character server named after the character.
figure=
for _ in $(seq 300); do
  if [ -s "$work/trace" ]; then
    figure=$(xwininfo -root -tree | sed -n \
      's/.*"Parlotto": ("AgentSvr" "AgentSvr")  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  +\([0-9]*\)+\([0-9]*\).*/\1 \2 \3 \4/p' |
      head -n 1)
    [ -n "$figure" ] && break
  fi
  sleep 0.1
done
[ -n "$figure" ] || fail "no figure on the screen: $(cat "$work/parlotto.log")"
read -r w h x y <<<"$figure"
sleep 1  # the figure has shown itself and speaks

xdotool mousemove $((x + w / 2)) $((y + h * 2 / 3)) click 3
sleep 0.5
# Info, Einstellungen, Beenden.
xdotool key Down Down Down Return
quit_at=$(date +%s%N)

stopped=0
for _ in $(seq 50); do
  if grep -q ' audio-stop$' "$work/trace"; then stopped=1; break; fi
  sleep 0.02
done
[ "$stopped" = 1 ] || fail "the speech went on after Beenden"
echo "ok: the speech stopped within $((($(date +%s%N) - quit_at) / 1000000)) ms"

for _ in $(seq 150); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not end after Beenden"
wait "$program" || fail "the program failed: $(cat "$work/parlotto.log")"
ended=$((($(date +%s%N) - quit_at) / 1000000))
[ "$ended" -ge 3000 ] || fail "the program ended after $ended ms, before its end waits"
echo "ok: the program ended $ended ms after Beenden"
[ "$(grep -c ' speak ' "$work/trace")" = 1 ] || fail "more was spoken: $(cat "$work/trace")"
[ ! -s "$work/dialogs.txt" ] || fail "a dialog: $(cat "$work/dialogs.txt")"
