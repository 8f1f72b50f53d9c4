#!/usr/bin/env bash
# setup-debian.sh against a stand-in apt: one missing package, installed
# quietly, then an install that fails. Checks what reaches the terminal.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/bin/sh
for a; do last=$a; done
[ "$last" = xclip ] && exit 1
printf 'install ok installed'
FAKE
cat >"$work/bin/apt-get" <<'FAKE'
#!/bin/sh
echo "Get:1 http://deb.debian.org/debian bookworm InRelease [151 kB]"
echo "debconf: delaying package configuration, since apt-utils is not installed"
echo "Selecting previously unselected package xclip."
echo "Setting up xclip (0.13-2) ..."
[ "$1" = install ] && echo "W: a warning worth reading" >&2
[ -n "${FAKE_APT_FAIL:-}" ] && [ "$1" = install ] && { echo "E: Unable to locate package xclip" >&2; exit 100; }
exit 0
FAKE
cat >"$work/bin/sudo" <<'FAKE'
#!/bin/sh
[ "$1" = -v ] && exit 0
exec "$@"
FAKE
chmod +x "$work/bin/"*
fail() { echo "FAIL: $*"; echo "--- output:"; cat "$work/out"; exit 1; }

PATH="$work/bin:$PATH" TMPDIR="$work" "$source_dir/scripts/setup-debian.sh" >"$work/out" 2>&1 ||
  fail "a successful install failed"
grep -q "Selecting previously\|debconf" "$work/out" && fail "apt's progress reached the terminal"
grep -q "W: a warning worth reading" "$work/out" || fail "apt's warning was hidden"
[ "$(grep -vc '^W: ' "$work/out")" -eq 1 ] || fail "more than one line besides the warning"
log=$(sed -n 's/.*(log: \(.*\)) .*/\1/p' "$work/out")
grep -q "Setting up xclip" "$log" || fail "the log misses apt's output"

if FAKE_APT_FAIL=1 PATH="$work/bin:$PATH" TMPDIR="$work" \
  "$source_dir/scripts/setup-debian.sh" >"$work/out" 2>&1; then
  fail "a failed install succeeded"
fi
grep -q "failed" "$work/out" || fail "no word of the failure"
grep -q "E: Unable to locate package xclip" "$work/out" || fail "the log's end was not shown"
echo "ok"
