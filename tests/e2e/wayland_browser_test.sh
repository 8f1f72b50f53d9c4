#!/usr/bin/env bash
# On Wayland "parlotto -e", and "parlotto" alone, read the native Wayland browser's page in
# front, not the X11 browser's behind it. Usage (on a bus of its own): wayland_browser_test.sh BUILD_DIR
set -euo pipefail
command -v chromium >/dev/null || { echo "SKIPPED: chromium is not installed"; exit 77; }
source "$(dirname "$0")/../support/private_wayland_test.sh"
dbus-update-activation-environment XDG_RUNTIME_DIR DISPLAY WAYLAND_DISPLAY # for the a11y bus
browser() { # PLATFORM TEXT
  printf '<!doctype html><title>%s</title><p>%s</p>' "$1" "$2" >"$work/$1.html"
  ACCESSIBILITY_ENABLED=1 NO_AT_BRIDGE=0 TMPDIR="$work" chromium --ozone-platform="$1" \
    --force-renderer-accessibility --no-sandbox --user-data-dir="$work/profile-$1" --no-first-run \
    --disable-gpu --password-store=basic --disable-background-networking --disable-component-update \
    --host-resolver-rules='MAP * ~NOTFOUND' "file://$work/$1.html" >"$work/$1.log" 2>&1 &
  pids+=($!)
}
browser x11 "Hinten liegt Kohl."
for _ in $(seq 300); do xprop -root _NET_ACTIVE_WINDOW | grep -qv '# 0x0$' && break; sleep 0.1; done
browser wayland "Vorne liegen Quitten."
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000001\n' >"$work/user.reg"
for _ in $(seq 45); do # until the browser in front is on the accessibility bus
  PARLOTTO_USER_HIVE="$work/user.reg" PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$work/trace" TEMP="$work" \
    "$1/parlotto" -e >>"$work/parlotto.log" 2>&1 || fail "parlotto: $(cat "$work/parlotto.log")"
  grep -q ' speak ' "$work/trace" 2>/dev/null && break
  sleep 1
done
spoken=$(sed -n 's/^[0-9]* speak //p' "$work/trace" 2>/dev/null)
[ "$spoken" = "Vorne liegen Quitten." ] || fail "spoken: '$spoken'"
# What Weston shows, for a person to look at.
mkdir -p "$1/test-artifacts"
DISPLAY=$private_display "$1/tests/screen_grab" "$1/test-artifacts/wayland_browser.png" ||
  fail "no screenshot"
# The same without an argument, the program's default.
PARLOTTO_USER_HIVE="$work/user.reg" PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$work/trace-default" TEMP="$work" \
  "$1/parlotto" >>"$work/parlotto.log" 2>&1 || fail "parlotto: $(cat "$work/parlotto.log")"
spoken=$(sed -n 's/^[0-9]* speak //p' "$work/trace-default" 2>/dev/null)
[ "$spoken" = "Vorne liegen Quitten." ] || fail "spoken without an argument: '$spoken'"
