#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test, when missing.
set -euo pipefail
packages=(
  cmake g++ make pkg-config git
  qt6-base-dev qt6-qpa-plugins libqt6gui6
  libgtest-dev libgif-dev libarchive-dev libsodium-dev libapt-pkg-dev
  fonts-liberation xvfb xauth x11-apps x11-utils xdotool imagemagick
  mutter kwin-wayland xwayland qt6-wayland dbus libkf5screen-bin qtwayland5
  nginx-light tinyproxy curl lz4 systemd shellcheck
  dpkg-dev file lintian desktop-file-utils appstream
  clang libclang-rt-dev
  dbus-daemon at-spi2-core python3-pyatspi
)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The servers are started by the tests and demos themselves, on loopback.
for service in nginx tinyproxy; do
  if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet "$service" 2>/dev/null; then
    $sudo systemctl stop "$service" || true
  fi
done
