#!/usr/bin/env bash
# parlotto -c reads the desktop's clipboard: the real program on a private
# X display, with xclip owning the CLIPBOARD selection. Text is read; an
# empty text gives the message in the user's language; an image only says
# nothing. Skipped (77) when Xvfb or xclip is missing.
#
# Usage: clipboard_source_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in Xvfb xclip; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../../support/private_display_test.sh"

owner=
# xclip owns the clipboard with these bytes of TYPE until the next call.
own_clipboard() {
  local type=$1 file=$2
  [ -z "$owner" ] || { kill "$owner" 2>/dev/null || true; wait "$owner" 2>/dev/null || true; }
  xclip -selection clipboard -quiet -t "$type" -i "$file" >"$work/xclip.log" 2>&1 &
  owner=$!
  pids+=($owner)
  # Generous: on a loaded machine xclip and the display start slowly.
  for _ in $(seq 300); do
    xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx "$type" && return
    sleep 0.1
  done
  fail "xclip did not take the clipboard for $type: $(cat "$work/xclip.log")"
}

# Runs parlotto -c without the character; English when $1 is 1.
read_clipboard() {
  local english=$1
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000001\n"isEnglish"=dword:0000000%s\n' \
    "$english" >"$work/user.reg"
  rm -f "$work/trace.txt"
  PARLOTTO_USER_HIVE="$work/user.reg" PARLOTTO_AUDIO=null PARLOTTO_TIME_SCALE=0.02 TEMP="$work" \
    PARLOTTO_SPEECH_TRACE="$work/trace.txt" PARLOTTO_DIALOGS="record:$work/dialogs.txt" \
    QT_QPA_PLATFORM=xcb timeout 120 "$build/parlotto" -c >"$work/parlotto.log" 2>&1 ||
    fail "the program failed: $(cat "$work/parlotto.log")"
}

spoken() { sed -n 's/^[0-9]* speak //p' "$work/trace.txt" 2>/dev/null || true; }

expect_spoken() {
  local want=$1 what=$2 got
  got=$(spoken)
  [ "$got" = "$want" ] || fail "$what: spoke [$got], expected [$want]"
  echo "ok: $what"
}

printf 'Grüße aus der Zwischenablage.' >"$work/text"
own_clipboard UTF8_STRING "$work/text"
read_clipboard 0
expect_spoken 'Grüße aus der Zwischenablage.' "a text is read"

: >"$work/empty"
own_clipboard UTF8_STRING "$work/empty"
read_clipboard 0
expect_spoken 'Die Zwischenablage sollte vorgelesen werden, ich habe aber leider keinen Text in der Zwischenablage gefunden.' \
  "an empty text in German"
read_clipboard 1
expect_spoken 'Ooops, there are no Text in the Clipboard' "an empty text in English"

# The smallest PNG: one transparent pixel.
printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9cc\xf8\x0f\0\0\x01\x01\x01\0\x18\xdd\x8d\xb0\0\0\0\0IEND\xaeB`\x82' \
  >"$work/image.png"
own_clipboard image/png "$work/image.png"
read_clipboard 0
expect_spoken '' "an image only says nothing"
