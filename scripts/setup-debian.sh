#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Parlotto need.
# Idempotent: packages already present are not touched, and apt-get update runs
# only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-tools-dev qt6-webengine-dev qt6-multimedia-dev
  libqt6opengl6-dev libgl-dev
  libespeak-ng-dev espeak-ng
  libpoppler-cpp-dev libzip-dev libxml2-dev libuchardet-dev libatspi2.0-dev
  libgtest-dev libgmock-dev libglib2.0-bin
  dbus dbus-x11 xvfb xclip pulseaudio trayer xauth
  clang libclang-rt-14-dev
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
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
