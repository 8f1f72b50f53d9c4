#!/usr/bin/env bash
# The automation object from outside the object runtime: a Python script
# with Gio creates it, reads a text and lets go; gdbus calls the typed
# interface of an object that another program holds. Run on a bus of its own.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
holder=
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export PARLOTTO_USER_HIVE=$work/user.reg TEMP=$work PARLOTTO_AUDIO=null
export PARLOTTO_SPEECH_TRACE=$work/trace.txt PARLOTTO_TIME_SCALE=0.02
export PARLOTTO_DIALOGS=record:$work/dialogs.txt QT_QPA_PLATFORM=offscreen
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000001\n' >"$PARLOTTO_USER_HIVE"
NAME=org.parlotto.Com.C_C2EBB9A2_32EF_4F1D_B779_3BCDE2FEDFEE

fail() { echo "FAIL: $*" >&2; exit 1; }
server_runs() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$NAME" | grep -q true
}
wait_server_gone() {
  for _ in $(seq 400); do server_runs || return 0; sleep 0.05; done
  fail "the server did not end"
}

"$build/parlotto" /regserver

# Python: starts its own server, which ends when the script lets go.
/usr/bin/python3 "$here/read_with_python.py" "$build/parlotto" "Hallo aus Python."
grep -q " speak Hallo aus Python\.$" "$work/trace.txt" || fail "Python's text was not read"
wait_server_gone

# gdbus: a program holds an object; the shell calls it by its path.
"$build/tests/read_some_text_client" create where wait:60000 >"$work/holder.txt" &
holder=$!
path=
for _ in $(seq 600); do
  path=$(awk '$1 == "where" { print $4 }' "$work/holder.txt")
  [ -n "$path" ] && break
  sleep 0.05
done
[ -n "$path" ] || fail "the holder has no object"

gdbus introspect --session --dest "$NAME" --object-path "$path" >"$work/introspect.txt"
grep -q "interface Vocato.IReadSomeText" "$work/introspect.txt" || fail "no typed interface"
grep -q "put_Text2(in  s Value)" "$work/introspect.txt" || fail "no put_Text2"

out=$(gdbus call --session --timeout 600 --dest "$NAME" --object-path "$path" \
  --method Vocato.IReadSomeText.put_Text2 "Hallo aus der Shell.")
[ "$out" = "()" ] || fail "put_Text2 answered $out"
grep -q " speak Hallo aus der Shell\.$" "$work/trace.txt" || fail "the shell's text was not read"
out=$(gdbus call --session --dest "$NAME" --object-path "$path" --method Vocato.IReadSomeText.get_Text)
[ "$out" = "('',)" ] || fail "get_Text answered $out"
out=$(gdbus call --session --dest "$NAME" --object-path "$path" \
  --method Vocato.IReadSomeText.get_ReadOfficeText 2>&1 || true)
echo "$out" | grep -q "DISP_E_MEMBERNOTFOUND" || fail "get_ReadOfficeText answered $out"

kill "$holder"
holder=
wait_server_gone
echo "ok"
