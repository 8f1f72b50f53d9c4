#!/usr/bin/env bash
# The character's own menu during a long reading: a real right click on the
# figure and an entry chosen with the keyboard, on a private X display.
#   Info           shows the program's Info window (a screenshot of the
#                  display is kept in BUILD_DIR/test-artifacts when
#                  ImageMagick is there)
#   Einstellungen  starts the settings program beside the program
# Each of them leaves the reading going; then, as with Beenden alone,
# "Beenden" stops the speech at once and the program ends about five
# seconds later, as after any reading. The program runs from a folder of
# its own (a link to the built one), so that a fake settings program can
# stand beside it. Skipped (77) without Xvfb, xdotool or xwininfo.
#
# Usage: character_menu_test.sh BUILD_DIR [Info|Einstellungen|Beenden]
set -euo pipefail
build=$(cd "$1" && pwd)
entry=${2:-Beenden}
for tool in Xvfb xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../support/private_display_test.sh"

# The program's own folder: the program, its system folder, and a settings
# program that only notes that it was started, and with what.
mkdir "$work/program"
ln "$build/parlotto" "$work/program/parlotto" 2>/dev/null || cp "$build/parlotto" "$work/program/"
ln -s "$build/system" "$work/program/system"
cat >"$work/program/VSettings" <<EOF
#!/bin/sh
echo "started \$#: \$*" >>"$work/settings-started"
EOF
chmod +x "$work/program/VSettings"

printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000000\n' \
  >"$work/user.reg"
# One piece of over a minute: no sentence ends, so the reading is not cut
# into pieces, and every menu entry is picked while the first is spoken.
text=$(for _ in $(seq 30); do printf 'wir lesen einen langen Text ohne Ende, '; done)
# On a bus of its own: a character server of another test must not answer.
env -u PARLOTTO_SYSTEM_DIR -u QT_QPA_PLATFORM -u PARLOTTO_SHELL PARLOTTO_USER_HIVE="$work/user.reg" \
  PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$work/trace" TEMP="$work" \
  PARLOTTO_DIALOGS="record:$work/dialogs.txt" PARLOTTO_AGENT_LINGER_MS=300 \
  dbus-run-session -- "$work/program/parlotto" -d "$text" >"$work/parlotto.log" 2>&1 &
program=$!
pids+=("$program")

# The figure: a window of the character server named after the character.
figure=
for _ in $(seq 300); do
  if [ -s "$work/trace" ]; then
    figure=$(xwininfo -root -tree | window_geometries '"Parlotto": ("AgentSvr" "AgentSvr")' | head -n 1)
    [ -n "$figure" ] && break
  fi
  sleep 0.1
done
[ -n "$figure" ] || fail "no figure on the screen: $(cat "$work/parlotto.log")"
read -r w h x y <<<"$figure"
sleep 1  # the figure has shown itself and speaks

# pick N: the menu's Nth entry (Info, Einstellungen, Beenden).
pick() {
  xdotool mousemove $((x + w / 2)) $((y + h * 2 / 3)) click 3
  sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
}

# The program's Info window, when it is on the screen.
info_window() {
  local id
  for id in $(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Info": ("parlotto" .*/\1/p'); do
    if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return
    fi
  done
}

speaking() { [ "$(grep -c ' audio-stop$' "$work/trace")" = 0 ]; }

case "$entry" in
  Info)
    pick 1
    shown=
    for _ in $(seq 100); do
      shown=$(info_window)
      [ -n "$shown" ] && break
      sleep 0.1
    done
    [ -n "$shown" ] || fail "no Info window after Info: $(xwininfo -root -tree)"
    sleep 0.5  # drawn
    # For a person to look at; ImageMagick's import takes it where present.
    if command -v import >/dev/null; then
      mkdir -p "$build/test-artifacts"
      import -window root "$build/test-artifacts/character_menu_info.png" ||
        fail "no screenshot of the Info window"
    fi
    echo "ok: the Info window is shown ($shown)"
    speaking || fail "the speech stopped with Info"
    [ ! -e "$work/settings-started" ] || fail "Info started the settings program"
    ;;
  Einstellungen)
    pick 2
    for _ in $(seq 100); do
      [ -s "$work/settings-started" ] && break
      sleep 0.1
    done
    [ -s "$work/settings-started" ] || fail "the settings program did not start"
    [ "$(cat "$work/settings-started")" = "started 0: " ] ||
      fail "the settings program was started otherwise: $(cat "$work/settings-started")"
    echo "ok: the settings program started"
    speaking || fail "the speech stopped with Einstellungen"
    [ -z "$(info_window)" ] || fail "Einstellungen showed the Info window"
    ;;
  Beenden) ;;
  *) fail "unknown entry $entry" ;;
esac

pick 3
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
if [ "$entry" != Einstellungen ] && [ -e "$work/settings-started" ]; then
  fail "the settings program started without Einstellungen"
fi
