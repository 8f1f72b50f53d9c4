#!/usr/bin/env bash
# The desktop entries, icons and manual page as `cmake --install` lays them
# out under a prefix: valid, naming the programs under that prefix, and a
# manual page that man reads without a warning. Needs no root: installed
# into a scratch directory.
#   desktop_files_test.sh BUILD_DIR
set -uo pipefail
build=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate man appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

prefix=/opt/parlotto-probe
DESTDIR="$work/root" cmake -DCMAKE_INSTALL_PREFIX=$prefix -P "$build/data/cmake_install.cmake" \
  >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
root="$work/root$prefix"
apps="$root/share/applications"

main=$apps/org.parlotto.Parlotto.desktop
settings=$apps/org.parlotto.Parlotto.Settings.desktop
opener=$apps/zz-parlotto-open.desktop
desktop-file-validate "$main" "$settings" "$opener" || fail "desktop-file-validate"
grep -qx "Exec=$prefix/lib/parlotto/parlotto-open %u" "$main" ||
  fail "the entry does not start the launcher under the prefix"
grep -qx "Exec=$prefix/lib/parlotto/parlotto -c" "$main" ||
  fail "the clipboard action does not start the program with -c"
grep -qx "Exec=$prefix/lib/parlotto/parlotto -e" "$main" ||
  fail "the browser window action does not start the program with -e"
grep -qx "Exec=$prefix/lib/parlotto/VSettings" "$settings" ||
  fail "the settings entry does not start VSettings"
grep -qx "Exec=$prefix/lib/parlotto/parlotto-open %u" "$opener" ||
  fail "the file types' entry does not start the launcher"
mime=$(sed -n 's/^MimeType=//p' "$opener")
for type in text/plain application/pdf application/msword \
  application/vnd.openxmlformats-officedocument.wordprocessingml.document \
  application/vnd.oasis.opendocument.text \
  application/vnd.openxmlformats-officedocument.wordprocessingml.template \
  application/vnd.oasis.opendocument.text-template; do
  grep -q "\(^\|;\)$type;" <<<"$mime" || fail "not offered for $type"
done
grep -rq "@PARLOTTO" "$apps" && fail "a placeholder is left in the entries"

for size in 16 22 24 32 48 64 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/parlotto.png"
  file "$icon" | grep -q "PNG image data, $size x $size" || fail "no ${size}px icon: $(file "$icon")"
done

for page in man1/parlotto man1/parlotto-open man1/parlotto-reg man1/parlotto-settings de/man1/parlotto; do
  file="$root/share/man/$page.1.gz"
  [ -f "$file" ] || fail "no manual page $page"
  warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$file" 2>&1 >"$work/page.txt")
  [ -z "$warnings" ] || fail "man warns on $page: $warnings"
  if zcat "$file" | grep -q "@PARLOTTO"; then fail "a placeholder is left in $page"; fi
done
for page in man1/parlotto de/man1/parlotto; do
  man -l "$root/share/man/$page.1.gz" 2>/dev/null | grep -q "$prefix/lib/parlotto/system/" ||
    fail "$page does not name the installed places"
done
appstreamcli validate --no-net "$root/share/metainfo/org.parlotto.Parlotto.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
echo "ok"
