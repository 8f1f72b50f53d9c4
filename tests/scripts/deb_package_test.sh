#!/usr/bin/env bash
# The Debian package as a user gets it: built from the build directory
# (whatever its configuration; a sanitizer build gets its options passed on),
# installed on this machine, used from its installed places by an ordinary
# user, and removed again. Needs root and dpkg; skips (77) otherwise, and
# when a parlotto package is installed already, which it must not replace.
# A hardened release tree is also held to size and hardening; lintian may
# report no error or warning on any tree's package.
#   deb_package_test.sh BUILD_DIR
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in dpkg dpkg-deb apt-get cpack setpriv dbus-run-session gdbus desktop-file-validate man gs \
  lintian readelf xdg-mime gio update-desktop-database; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
if dpkg-query -W -f='${Status}' parlotto 2>/dev/null | grep -q 'ok installed'; then
  skip "a parlotto package is installed already"
fi
id nobody >/dev/null 2>&1 || skip "no user nobody to run as"

work=$(mktemp -d)
chmod 755 "$work"
installed=0
apps=/usr/share/applications
# Another program that claims the types Parlotto reads, in the same
# directory, under a name that sorts after Parlotto's application id.
rival=$apps/parlotto_test_rival.desktop
cleanup() {
  if [ "$installed" -eq 1 ]; then
    dpkg --purge parlotto >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; echo "FAIL: purge"; }
  fi
  rm -f "$rival"
  update-desktop-database "$apps" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The package.
(cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
  { tail -n 30 "$work/cpack.log"; fail "cpack"; }
deb=$(find "$work/pkg" -maxdepth 1 -name 'parlotto_*.deb' | head -n 1)
[ -n "$deb" ] || fail "no .deb in $work/pkg"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Found by dpkg-shlibdeps, and named because they are loaded at run time.
for dep in libqt6core6 libqt6widgets6 libqt6dbus6 libespeak-ng1 libpoppler-cpp0v5 qt6-qpa-plugins; do
  grep -q "$dep" <<<"$depends" || fail "the package does not depend on $dep"
done
grep -q "libparlotto" <<<"$depends" && fail "a dependency on our own libraries: $depends"
for dep in libglib2.0-bin at-spi2-core fonts-dejavu-extra; do
  grep -q "$dep" <<<"$depends" || fail "the package does not depend on $dep"
done
grep -q antiword <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "antiword is not recommended"
[ -n "$(find "$work/pkg" -maxdepth 1 -name 'parlotto-dbgsym_*.ddeb')" ] || fail "no dbgsym package"

# An optimised build without sanitizers is the package to hand out.
release=0
grep -q '^PARLOTTO_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" ||
  grep -q '^CMAKE_BUILD_TYPE:STRING=\(Debug\|\)$' "$build/CMakeCache.txt" || release=1
lintian -I --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian"; }
if [ "$release" -eq 1 ]; then
  size=$(stat -c %s "$deb")
  [ "$size" -le $((8 * 1024 * 1024)) ] || fail "the package has $size bytes"
  installed_kb=$(dpkg-deb -f "$deb" Installed-Size)
  [ "$installed_kb" -le $((20 * 1024)) ] || fail "installed it takes $installed_kb KiB"
  dpkg-deb -x "$deb" "$work/unpacked"
  elves=0
  while read -r elf; do
    headers=$(readelf -d -h -l "$elf" 2>/dev/null) || continue
    elves=$((elves + 1))
    grep -q 'Type:.*DYN' <<<"$headers" || fail "$elf is not position-independent"
    grep -q 'FLAGS.*NOW' <<<"$headers" || fail "$elf is not bound at once"
    grep -q GNU_RELRO <<<"$headers" || fail "$elf has no relro"
    grep -q __stack_chk_fail <<<"$(readelf --dyn-syms -W "$elf")" || fail "$elf has no stack protector"
  done < <(find "$work/unpacked/usr/lib/parlotto" -type f)
  [ "$elves" -ge 10 ] || fail "only $elves programs and libraries"
  # Where a fortifiable call is left unchecked, lintian says so (above).
  grep -q '__[a-z]*_chk@' <<<"$(readelf --dyn-syms -W "$work/unpacked/usr/lib/parlotto/parlotto")" ||
    fail "the program is not fortified"
  if grep -rqa "$source_dir" "$work/unpacked"; then fail "a file names the source tree"; fi
fi

# Every installed file is in install_manifest.txt.
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/cmake-install.log" 2>&1 ||
  { tail -n 20 "$work/cmake-install.log"; fail "cmake --install"; }
(cd "$work/root" && find . ! -type d | sed 's|^\.||') | sort >"$work/laid-out"
sort "$build/install_manifest.txt" >"$work/manifest"
comm -23 "$work/laid-out" "$work/manifest" | grep . && fail "not in install_manifest.txt (above)"

# No type's default application changes (GNOME's and xdg-mime's: the first
# of mimeinfo.cache where mimeapps.list names none; GNOME's also through
# the parent type, as RTF's through text/plain).
types=(text/plain application/pdf application/msword
  application/vnd.openxmlformats-officedocument.wordprocessingml.document
  application/vnd.oasis.opendocument.text-template)
inherited=(text/rtf text/html)
printf '[Desktop Entry]\nType=Application\nName=Rival\nExec=true %%f\nMimeType=%s;\n' \
  "$(IFS=';'; echo "${types[*]}")" >"$rival"
update-desktop-database "$apps"
defaults() {
  mkdir -p "$work/mime-home"
  for type in "${types[@]}" "${inherited[@]}"; do
    echo "$type $(env -i PATH=/usr/bin:/bin HOME="$work/mime-home" XDG_DATA_DIRS=/usr/share \
      xdg-mime query default "$type")"
    env -i PATH=/usr/bin:/bin HOME="$work/mime-home" XDG_DATA_DIRS=/usr/share gio mime "$type" |
      head -n 1
  done
}
defaults >"$work/defaults-before"

# Installed as a user installs it: apt fetches what is missing.
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
  >"$work/install.log" 2>&1 || { tail -n 30 "$work/install.log"; fail "installing"; }

program_dir=/usr/lib/parlotto
# The settings program, in a tree that has it.
settings=()
[ -f "$source_dir/vsettings/CMakeLists.txt" ] && settings=("$program_dir/VSettings")
for file in "${settings[@]}" /usr/bin/parlotto /usr/bin/parlotto-open "$program_dir/parlotto" \
  "$program_dir/parlotto-open" "$program_dir/libp2tdll.so" "$program_dir/hilfe.html" \
  "$program_dir/system/classes.reg" "$program_dir/system/agent/AgentSvr" \
  "$program_dir/system/agent/chars/parlotto.acz" "$program_dir/system/speech/xvoice.so" \
  /usr/bin/parlotto-settings /usr/bin/parlotto-reg \
  $apps/org.parlotto.Parlotto.desktop $apps/org.parlotto.Parlotto.Settings.desktop \
  /usr/share/icons/hicolor/48x48/apps/parlotto.png /usr/share/man/de/man1/parlotto.1.gz; do
  [ -e "$file" ] || fail "$file is not installed"
done
for program in /usr/bin/*; do
  case $(readlink "$program") in ../lib/parlotto/*)
    [ -f "/usr/share/man/man1/$(basename "$program").1.gz" ] || fail "no manual page for $program" ;;
  esac
done
defaults >"$work/defaults-after"
diff "$work/defaults-before" "$work/defaults-after" || fail "installing changed a default application"
for type in "${types[@]}"; do
  grep -q "^$type=.*zz-parlotto-open.desktop" $apps/mimeinfo.cache || fail "not offered for $type"
done
# The system hive names the installed files, none of the build tree's.
grep -q "$program_dir/system/speech/xvoice.so" "$program_dir/system/classes.reg" ||
  fail "classes.reg does not name the installed speech runtime"
if grep -q "$build" "$program_dir/system/classes.reg"; then fail "classes.reg names the build tree"; fi
/usr/bin/parlotto --version | grep -q '^parlotto [0-9]' || fail "parlotto --version"

man_warnings=$(MANWIDTH=80 man --warnings -l /usr/share/man/de/man1/parlotto.1.gz 2>&1 >"$work/man.txt")
[ -z "$man_warnings" ] || fail "man: $man_warnings"
grep -q "Zwischenablage" "$work/man.txt" || fail "the manual page reads wrong"

# An ordinary user, on a session bus of its own, with a private hive:
# plain speech output, silent audio, a trace of what is said.
home="$work/home"
mkdir -p "$home/config" "$home/cache" "$home/tmp" "$home/runtime"
chmod 700 "$home/runtime"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"noAgent"=dword:00000001\n' \
  >"$work/user.reg"
printf '%%!PS\n/Helvetica findfont 24 scalefont setfont\n72 700 moveto (Hallo aus dem PDF.) show\nshowpage\n' \
  >"$work/brief.ps"
gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$work/brief.pdf" "$work/brief.ps" ||
  fail "ghostscript"
chown -R nobody "$work/home" "$work/user.reg"
touch "$work/before"
run_as=nobody
as_user() {
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" TEMP="$home/tmp" PARLOTTO_USER_HIVE="$work/user.reg" \
    PARLOTTO_AUDIO=null PARLOTTO_SPEECH_TRACE="$home/trace" PARLOTTO_TIME_SCALE=0.05 \
    QT_QPA_PLATFORM=offscreen PARLOTTO_DIALOGS="record:$home/dialogs" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    LSAN_OPTIONS="suppressions=$source_dir/tests/lsan.supp:print_suppressions=0" \
    setpriv --reuid="$run_as" --regid="$(id -g "$run_as")" --clear-groups \
    timeout 60 dbus-run-session -- "$@"
}

as_user /usr/bin/parlotto -d "Hallo Welt." || fail "parlotto -d ended with $?"
grep -q " speak Hallo Welt\.$" "$home/trace" || { cat "$home/trace"; fail "not said: Hallo Welt."; }

# The reading service: the session bus starts it from its installed service
# file for one gdbus line, and it ends by itself once it has read.
as_user sh -c '
  gdbus call --session --dest org.parlotto.Parlotto --object-path /org/parlotto/Parlotto \
    --method org.parlotto.Reader1.ReadText "Hallo aus der Shell." >/dev/null || exit 1
  while gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.parlotto.Parlotto | grep -q true; do
    sleep 0.2
  done' || fail "the reading service did not answer or did not end by itself"
grep -q " speak Hallo aus der Shell\.$" "$home/trace" || { cat "$home/trace"; fail "the service did not read"; }

# A PDF: its text goes to the user's cache, as the program directory is
# not the user's to write.
as_user /usr/bin/parlotto -pdf "$work/brief.pdf" || fail "parlotto -pdf ended with $?"
grep -q "Hallo aus dem PDF" "$home/trace" || { cat "$home/trace"; fail "the PDF was not read"; }
grep -q "Hallo aus dem PDF" "$home/cache/parlotto/temp.txt" || fail "no temp.txt in the cache"
# Nor as root, who could write there.
rm "$home/cache/parlotto/temp.txt"
run_as=root as_user /usr/bin/parlotto -pdf "$work/brief.pdf" 2>"$work/root.log" ||
  { cat "$work/root.log"; fail "parlotto -pdf as root ended with $?"; }
[ -f "$home/cache/parlotto/temp.txt" ] || fail "as root, no temp.txt in the cache"
written=$(find "$program_dir" -newer "$work/before")
[ -z "$written" ] || fail "written into the program directory: $written"
[ ! -s "$home/dialogs" ] || { cat "$home/dialogs"; fail "a dialog came up"; }

# Removed, nothing of it stays.
dpkg-query -L parlotto >"$work/files"
installed=0
dpkg --purge parlotto >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "purge"; }
while read -r left; do
  case $left in /usr/lib/parlotto* | /usr/share/doc/parlotto* | *parlotto*.* | /usr/bin/*)
    if [ -e "$left" ] || [ -L "$left" ]; then fail "$left is left after removal"; fi ;;
  esac
done <"$work/files"
echo "ok"
