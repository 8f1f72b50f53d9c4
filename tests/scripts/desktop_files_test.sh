#!/usr/bin/env bash
# The desktop entries, icons and manual page as `cmake --install` lays them
# out under a prefix: valid, naming the programs under that prefix, and a
# manual page that man reads without a warning. Needs no root: installed
# into a scratch directory.
#   desktop_files_test.sh BUILD_DIR
set -uo pipefail
build=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate man; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prefix=/opt/parlotto-probe
DESTDIR="$work/root" cmake -DCMAKE_INSTALL_PREFIX=$prefix -P "$build/data/cmake_install.cmake" \
  >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
root="$work/root$prefix"
apps="$root/share/applications"

desktop-file-validate "$apps/parlotto.desktop" "$apps/parlotto-vsettings.desktop" ||
  fail "desktop-file-validate"
grep -qx "Exec=$prefix/lib/parlotto/parlotto-open %u" "$apps/parlotto.desktop" ||
  fail "the entry does not start the launcher under the prefix"
grep -qx "Exec=$prefix/lib/parlotto/parlotto -c" "$apps/parlotto.desktop" ||
  fail "the clipboard action does not start the program with -c"
grep -qx "Exec=$prefix/lib/parlotto/parlotto -e" "$apps/parlotto.desktop" ||
  fail "the browser window action does not start the program with -e"
grep -qx "Exec=$prefix/lib/parlotto/VSettings" "$apps/parlotto-vsettings.desktop" ||
  fail "the settings entry does not start VSettings"
mime=$(sed -n 's/^MimeType=//p' "$apps/parlotto.desktop")
for type in text/plain text/rtf application/rtf application/pdf application/msword \
  application/vnd.openxmlformats-officedocument.wordprocessingml.document \
  application/vnd.oasis.opendocument.text text/html; do
  grep -q "\(^\|;\)$type;" <<<"$mime" || fail "not offered for $type"
done
grep -rq "@PARLOTTO" "$apps" && fail "a placeholder is left in the entries"

for size in 16 22 24 32 48 64 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/parlotto.png"
  file "$icon" | grep -q "PNG image data, $size x $size" || fail "no ${size}px icon: $(file "$icon")"
done

page="$root/share/man/man1/parlotto.1.gz"
[ -f "$page" ] || fail "no manual page"
warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >"$work/page.txt")
[ -z "$warnings" ] || fail "man warns: $warnings"
grep -q "$prefix/lib/parlotto/system/" "$work/page.txt" || fail "the page does not name the installed places"
if zcat "$page" | grep -q "@PARLOTTO"; then fail "a placeholder is left in the manual page"; fi
echo "ok"
