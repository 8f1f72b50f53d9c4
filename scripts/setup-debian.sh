#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Parlotto need.
# Idempotent: packages already present are not touched, and apt-get update runs
# only when something is missing. apt's and dpkg's progress goes to a log file;
# the terminal gets one line, apt's warnings, and the log's end if it fails.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-tools-dev qt6-webengine-dev qt6-multimedia-dev
  libqt6opengl6-dev libgl-dev
  libespeak-ng-dev espeak-ng
  libpoppler-cpp-dev libzip-dev libxml2-dev libuchardet-dev libatspi2.0-dev libxcb1-dev
  antiword
  libgtest-dev libgmock-dev libglib2.0-bin desktop-file-utils man-db
  dbus dbus-x11 xvfb xclip pulseaudio trayer xauth openbox xdotool x11-utils weston xwayland
  at-spi2-core chromium
  ghostscript poppler-utils python3-gi lintian appstream
  clang libclang-rt-14-dev clang-format clang-tidy
  fonts-dejavu-core fonts-dejavu-extra
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
  sudo -v  # asks for the password here, before the output goes to the log
fi
log=$(mktemp "${TMPDIR:-/tmp}/parlotto-setup.XXXXXX")
printf 'Installing %d missing packages (log: %s) ... ' "${#missing[@]}" "$log"
# sudo would drop a variable set before it, so env passes it on.
if ! { $sudo apt-get update -q &&
  $sudo env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1 </dev/null; then
  echo "failed. The end of the log:"
  tail -n 25 "$log" >&2
  exit 1
fi
echo "done."
# Real warnings stay visible (apt marks them W: or E:, dpkg says warning).
grep -E '^(W|E): |^dpkg: warning' "$log" >&2 || true
