#!/usr/bin/env bash
# Installs the .deb of the build tree $1, installs it again and removes it, as
# root: the i2c group, the programs and man pages in place, every step
# repeatable. A group the test made goes again. Exit 77: skipped.
set -euo pipefail
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (make test runs as root in CI)"
dpkg-query -W -f='${Status}' qrt35 2>/dev/null | grep -q "install ok installed" &&
  skip "qrt35 is installed on this machine, and the test would remove it"
out="$(mktemp -d)"
had_group="$(getent group i2c || true)"
trap 'dpkg --purge qrt35 >/dev/null 2>&1 || true; [ -n "$had_group" ] || groupdel i2c 2>/dev/null || true; rm -rf "$out"' EXIT
cpack --config "$1/CPackConfig.cmake" -B "$out" > "$out/log" 2>&1 || { cat "$out/log"; exit 1; }
status=0
step() { dpkg "$@" > "$out/log" 2>&1 || { cat "$out/log"; echo "dpkg $* failed"; status=1; }; }
installed() {
  [ "$(getent group i2c | cut -d: -f3)" -lt 1000 ] 2>/dev/null || { echo "$1: no i2c system group"; status=1; }
  for program in qrt35 qrt35prog; do
    "/usr/bin/$program" --version | grep -q "^$program (QRT35 Pager Programmer) " ||
      { echo "$1: $program --version is wrong or missing"; status=1; }
  done
  [ "$(man -w qrt35 2>/dev/null)" = /usr/share/man/man1/qrt35.1.gz ] || { echo "$1: man qrt35 finds no page"; status=1; }
}
step -i "$out"/*.deb && installed "installed"
step -i "$out"/*.deb && installed "installed again"
step -r qrt35
for gone in /usr/bin/qrt35 /usr/lib/udev/rules.d/60-qrt35-adapters.rules /usr/share/man/man1/qrt35.1.gz; do
  [ ! -e "$gone" ] || { echo "removed, yet $gone is still there"; status=1; }
done
step --purge qrt35
exit $status
