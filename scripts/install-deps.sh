#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, and nothing
# that is already present. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev googletest
  libcli11-dev nlohmann-json3-dev
  dpkg-dev file
  libusb-1.0-0-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core
  libsqlite3-dev sqlite3 libpq-dev postgresql libssl-dev nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
