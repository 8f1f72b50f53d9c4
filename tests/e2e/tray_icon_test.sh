#!/usr/bin/env bash
# Without a character the program shows its icon in the desktop's
# notification area while it runs, and takes it away when it ends. Runs the
# real program on a private X display with trayer as the notification area.
#
# Usage: tray_icon_test.sh BUILD_DIR
set -euo pipefail
build=$1
source "$(dirname "$0")/../support/private_display_test.sh"

trayer --edge top --align right --widthtype pixel --width 200 --height 32 >"$work/trayer.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xwininfo -root -tree 2>/dev/null | grep -q '"panel"' && break; sleep 0.1; done

icons() { xwininfo -root -tree 2>/dev/null | grep -c '("parlotto" "parlotto")' || true; }

printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000001\n' \
  >"$work/user.reg"
PARLOTTO_USER_HIVE="$work/user.reg" PARLOTTO_AUDIO=null PARLOTTO_TIME_SCALE=0.2 TEMP="$work" \
  QT_QPA_PLATFORM=xcb "$build/parlotto" -d "Guten Tag." >"$work/parlotto.log" 2>&1 &
program=$!
pids+=($program)

seen=0
for _ in $(seq 100); do
  if [ "$(icons)" -ge 1 ]; then seen=1; break; fi
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
[ "$seen" = 1 ] || fail "no icon in the notification area"

wait "$program" || fail "the program failed: $(cat "$work/parlotto.log")"
[ "$(icons)" = 0 ] || fail "the icon is still there after the end"
echo "the icon came and went"
