#!/usr/bin/env bash
# Installs the .deb built from the build tree given as $1, installs it again
# and removes it, as root, checking what the maintainer scripts promise: the
# i2c group the adapters' rule names, programs and man pages in place, and
# every step repeatable. The machine is left as it was: a group the test made
# is removed again. Exit 77 (skipped) when the test cannot run here.
set -euo pipefail
build="$1"
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root (make test runs as root in CI)"
if dpkg-query -W -f='${Status}' qrt35 2>/dev/null | grep -q "install ok installed"; then
  skip "qrt35 is installed on this machine, and the test would remove it"
fi

out="$(mktemp -d)"
group_before=no
getent group i2c >/dev/null && group_before=yes
cleanup() {
  dpkg --purge qrt35 >/dev/null 2>&1 || true
  if [ "$group_before" = no ] && getent group i2c >/dev/null; then groupdel i2c; fi
  rm -rf "$out"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/*.deb)"
status=0
fail() { echo "$*"; status=1; }

installed() {
  getent group i2c >/dev/null || fail "$1: there is no i2c group"
  [ -x /usr/bin/qrt35 ] && [ -x /usr/bin/qrt35prog ] || fail "$1: the programs are missing"
  /usr/bin/qrt35 --version | head -n 1 | grep -q '^qrt35 (QRT35 Pager Programmer) ' ||
    fail "$1: qrt35 --version says: $(/usr/bin/qrt35 --version 2>&1 | head -n 1)"
  /usr/bin/qrt35prog --version | head -n 1 | grep -q '^qrt35prog (QRT35 Pager Programmer) ' ||
    fail "$1: qrt35prog --version says: $(/usr/bin/qrt35prog --version 2>&1 | head -n 1)"
  [ "$(man -w qrt35 2>/dev/null)" = /usr/share/man/man1/qrt35.1.gz ] || fail "$1: man qrt35 finds no page"
}

dpkg -i "$deb" > "$out/install.log" 2>&1 || { cat "$out/install.log"; exit 1; }
installed "installed"
# Again over itself: the group is there now, and nothing may fail for it.
dpkg -i "$deb" > "$out/reinstall.log" 2>&1 || { cat "$out/reinstall.log"; fail "the second install failed"; }
installed "installed again"
[ "$(getent group i2c | cut -d: -f3)" -lt 1000 ] || fail "i2c is not a system group"

dpkg -r qrt35 > "$out/remove.log" 2>&1 || { cat "$out/remove.log"; fail "removing failed"; }
for gone in /usr/bin/qrt35 /usr/bin/qrt35prog /usr/lib/udev/rules.d/60-qrt35-adapters.rules \
            /usr/share/man/man1/qrt35.1.gz; do
  [ ! -e "$gone" ] || fail "removed, yet $gone is still there"
done
dpkg --purge qrt35 > "$out/purge.log" 2>&1 || { cat "$out/purge.log"; fail "purging failed"; }
exit $status
