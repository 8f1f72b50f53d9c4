#!/usr/bin/env bash
# The character on a Wayland desktop, as a user there meets it, through the
# compositor's own pointer: under Weston's XWayland, above a native Wayland
# window, the figure shows at the bottom right and speaks, follows a drag
# with the left button, lets a click on a clear pixel through to the X11
# window behind, and its right-button menu's "Beenden" ends the
# reading; the position it was dropped at is kept. At scale 2 (GDK_SCALE) it
# has twice the pixels. What Weston shows is taken from the outer display
# (screenshots in BUILD_DIR/test-artifacts).
# Usage (on a bus of its own): wayland_character_test.sh BUILD_DIR SCALE
set -euo pipefail
build=$(cd "$1" && pwd)
scale=${2:-1}
command -v xdotool >/dev/null || { echo "SKIPPED: xdotool is not installed"; exit 77; }
source "$(dirname "$0")/../support/private_wayland_test.sh"
outer() { DISPLAY=$private_display "$@"; }
grab() { outer "$build/tests/screen_grab" "$work/$1.png" || fail "no screenshot $1"; }
differs() { "$build/tests/screen_grab" --differs "$work/$1.png" "$work/$2.png" "${@:3}"; }
# Weston's pointer follows the outer one by relative moves; entering its
# window puts it where the outer pointer is. Weston draws a newly mapped
# XWayland window only at its next repaint, which a pointer move brings.
enter_at() { outer xdotool mousemove 1010 750; sleep 0.2; outer xdotool mousemove "$1" "$2"; sleep 0.5; }
figure() { # "W H X Y" of the figure, the server's window named after the character
  xwininfo -root -tree | window_geometries '"Parlotto": ("AgentSvr" "AgentSvr")' | head -n 1
}

# A native Wayland window over the whole desktop: the figure must stay above it.
weston-terminal --maximized >/dev/null 2>&1 &
pids+=($!)
# An X11 window that the figure will stand over: its button, under a clear
# corner of the figure, must get the click there.
xmessage -geometry +200+150 "Hinter der Figur." >/dev/null 2>&1 &
behind=$!
pids+=("$behind")
button_at() { # once the window manager has framed it: a level below the root's children
  xwininfo -root -tree | sed -n '/^        *0x[0-9a-f]* "xmessage": ("xmessage"/,$p' |
    window_geometries . |
    awk '$1 > 20 && $1 < 100 && $2 > 15 && $2 < 40 { print $3 + int($1 / 2), $4 + int($2 / 2); exit }'
}
# Where the window manager has put it: framed, and the same place twice in a row.
button=
for _ in $(seq 100); do
  seen=$(button_at)
  [ -n "$seen" ] && [ "$seen" = "$button" ] && break
  button=$seen
  sleep 0.2
done
[ -n "$button" ] || fail "no xmessage button: $(xwininfo -root -tree)"
read -r button_x button_y <<<"$button"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000000\n' \
  >"$work/user.reg"
text=$(for _ in $(seq 30); do printf 'wir lesen einen langen Text ohne Ende, '; done)
env -u PARLOTTO_SYSTEM_DIR -u QT_QPA_PLATFORM -u PARLOTTO_SHELL -u QT_SCALE_FACTOR GDK_SCALE="$scale" \
  PARLOTTO_USER_HIVE="$work/user.reg" PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$work/trace" \
  TEMP="$work" PARLOTTO_DIALOGS="record:$work/dialogs.txt" PARLOTTO_AGENT_LINGER_MS=300 \
  "$build/parlotto" -d "$text" >"$work/parlotto.log" 2>&1 &
program=$!
pids+=("$program")

shown=
for _ in $(seq 300); do
  shown=$(figure)
  [ -n "$shown" ] && grep -q ' speak ' "$work/trace" 2>/dev/null && break
  sleep 0.1
done
[ -n "$shown" ] || fail "no figure on XWayland: $(cat "$work/parlotto.log")"
read -r w h x y <<<"$shown"
[ "$w" = $((144 * scale)) ] && [ "$h" = $((160 * scale)) ] || fail "figure of ${w}x$h at scale $scale"
# At the bottom right of Weston's 1000x740 output, whatever Weston would do with a managed window.
((x + w <= 1000 && x + w > 950 && y + h <= 740 && y + h > 690)) || fail "figure at $x,$y"
xwininfo -id "$(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Parlotto".*/\1/p' | head -n 1)" |
  grep -q 'Override Redirect State: yes' || fail "the figure is a managed window"
sleep 1 # shown and speaking
enter_at 200 200
grab shown

# A drag with the left button, in small steps as a hand makes it, that puts
# the figure's clear top left corner over the X11 window's button.
to_x=$((button_x - 3)) to_y=$((button_y - 3))
outer xdotool mousemove $((x + w / 2)) $((y + h * 2 / 3))
sleep 0.3
outer xdotool mousedown 1
for i in $(seq 10); do
  outer xdotool mousemove $((x + w / 2 + (to_x - x) * i / 10)) $((y + h * 2 / 3 + (to_y - y) * i / 10))
  sleep 0.05
done
outer xdotool mouseup 1
sleep 0.5
read -r _ _ moved_x moved_y <<<"$(figure)"
[ "$moved_x,$moved_y" = "$to_x,$to_y" ] || fail "dragged from $x,$y to $moved_x,$moved_y, not $to_x,$to_y"
grab dragged
# A click on the clear corner goes through the figure to the button.
outer xdotool mousemove "$button_x" "$button_y" click 1
for _ in $(seq 100); do kill -0 "$behind" 2>/dev/null || break; sleep 0.1; done
kill -0 "$behind" 2>/dev/null && fail "the click on the figure's clear corner did not reach the window behind"
grab dragged

# The menu with the right button; "Beenden", its third entry, with the left.
outer xdotool mousemove $((moved_x + w / 2)) $((moved_y + h * 2 / 3)) click 3
menu=
for _ in $(seq 50); do
  menu=$(xwininfo -root -tree | window_geometries '"AgentSvr": ("AgentSvr" "AgentSvr")' |
    awk '$1 < 300 && $2 < 200' | head -n 1)
  [ -n "$menu" ] && break
  sleep 0.1
done
[ -n "$menu" ] || fail "no menu after a right click: $(xwininfo -root -tree)"
read -r mw mh mx my <<<"$menu"
outer xdotool mousemove $((mx + mw / 2)) $((my + mh * 59 / 100))
sleep 0.5
grab menu
outer xdotool click 1
quit_at=$(date +%s)
for _ in $(seq 50); do grep -q ' audio-stop$' "$work/trace" && break; sleep 0.1; done
grep -q ' audio-stop$' "$work/trace" || fail "the speech went on after Beenden"
for _ in $(seq 150); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not end after Beenden"
wait "$program" || fail "the program failed: $(cat "$work/parlotto.log")"
echo "ok: Beenden ended the reading; the program ended $(($(date +%s) - quit_at)) s later"
outer xdotool mousemove 210 210
sleep 0.5
grab ended

# Weston showed the figure where the X server has it, and nothing of it after the drag.
# Inside the figure's place only: the frame of a window beside it changes with the focus.
drawn=$(differs shown ended $((x + 10)) $((y + 10)) $((w - 20)) $((h - 20)))
moved=$(differs dragged ended $((moved_x + 10)) $((moved_y + 10)) $((w - 20)) $((h - 20)))
left=$(differs dragged ended $((x + 10)) $((y + 10)) $((w - 20)) $((h - 20)))
mkdir -p "$build/test-artifacts"
for shot in shown dragged menu; do cp "$work/$shot.png" "$build/test-artifacts/wayland_character_x${scale}_$shot.png"; done
((drawn > 25)) || fail "Weston showed the figure in $drawn % of its place"
((moved > 25)) || fail "Weston showed the dragged figure in $moved % of its place"
((left < 3)) || fail "$left % of the old place still changed after the drag"
echo "ok: figure of ${w}x$h drawn ($drawn %), dragged ($moved %), its old place clear ($left %)"
grep -q "\"AgentLastPositionX\"=dword:$(printf %08x "$moved_x")" "$work/user.reg" &&
  grep -q "\"AgentLastPositionY\"=dword:$(printf %08x "$moved_y")" "$work/user.reg" ||
  fail "the dropped position was not kept: $(cat "$work/user.reg")"
[ ! -s "$work/dialogs.txt" ] || fail "a dialog: $(cat "$work/dialogs.txt")"
