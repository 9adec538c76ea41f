#!/usr/bin/env bash
# Installs the Debian packages of one set, and nothing that is already
# present. Works as root or through sudo.
#
#   scripts/install-deps.sh [run|test|fuzz]
#
#   run   building both programs, their man pages and the .deb, and running
#         the window (make build, make run, make package); the default
#   test  run, and the servers and tools the tests start or call (make test):
#         a PostgreSQL server, an X server for xvfb-run, lintian and
#         desktop-file-validate for the package
#   fuzz  run, and clang with libFuzzer (make fuzz)
set -euo pipefail

run=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  libgtest-dev googletest
  libcli11-dev nlohmann-json3-dev
  libusb-1.0-0-dev libsqlite3-dev libpq-dev libssl-dev
  dpkg-dev file help2man
)
tests=(
  postgresql
  xvfb xauth
  lintian desktop-file-utils
)
fuzz=(clang-14 libclang-rt-14-dev)

set_name="${1:-run}"
case "$set_name" in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${tests[@]}") ;;
  fuzz) packages=("${run[@]}" "${fuzz[@]}") ;;
  *) echo "usage: $0 [run|test|fuzz]" >&2; exit 2 ;;
esac

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
