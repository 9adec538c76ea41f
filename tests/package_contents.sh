#!/usr/bin/env bash
# Builds the .deb from the build tree given as $1 into a temporary folder and
# checks what it installs and what it depends on, that lintian (pedantic) and
# desktop-file-validate report nothing, and that qrt35's man page holds every
# command's help as `qrt35 help COMMAND` prints it.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/*.deb)"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's#^\./#/#' | sort > "$out/files"
status=0
for want in /usr/bin/qrt35 /usr/bin/qrt35prog /usr/share/applications/qrt35prog.desktop \
            /usr/share/icons/hicolor/48x48/apps/qrt35prog.png /usr/share/icons/hicolor/256x256/apps/qrt35prog.png \
            /usr/lib/udev/rules.d/60-qrt35-parport.rules /usr/lib/udev/rules.d/60-qrt35-adapters.rules \
            /usr/share/man/man1/qrt35.1.gz /usr/share/man/man1/qrt35prog.1.gz \
            /usr/share/doc/qrt35/copyright /usr/share/doc/qrt35/changelog.Debian.gz; do
  grep -qx "$want" "$out/files" || { echo "missing from the package: $want"; status=1; }
done
# Nothing of the build's own (tests, benchmarks, static libraries) is shipped.
if grep -E '/(test_|bench_|gui_test_|make_icons)|\.a$|/include/' "$out/files"; then
  echo "the package ships build files"; status=1
fi
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for pkg in libqt6widgets6 libc6 libstdc++6 libsqlite3-0 libpq5 libusb-1.0-0 adduser; do
  grep -q "$pkg" <<<"$depends" || { echo "Depends lacks $pkg"; status=1; }
done
dpkg-deb -x "$deb" "$out/root"
grep -qx 'Exec=qrt35prog' "$out/root/usr/share/applications/qrt35prog.desktop" ||
  { echo "desktop entry does not start qrt35prog"; status=1; }

# What Debian's own checkers say, every tag down to pedantic and info, but
# one: lintian's spelling check of the programs' bytes. It reads the
# 16-byte pieces in which GCC copies long texts as words ("increas" from "...
# so can not be increase!", "onThe" where a piece ending "on" meets one
# starting "The"), and which pieces meet changes with every build; and the
# texts the programs show are the pager programmer's own, spelt as the
# operators know them ("Verfy"), so there is nothing to correct there.
for tool in lintian desktop-file-validate; do
  command -v $tool > /dev/null || { echo "$tool is missing (make test installs it)"; exit 1; }
done
{ lintian -I --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' |
    grep -v '^I: qrt35: spelling-error-in-binary .* \[usr/bin/qrt35\(prog\)\?\]$';
  desktop-file-validate "$out/root/usr/share/applications/qrt35prog.desktop" 2>&1; } > "$out/checks" || true
[ ! -s "$out/checks" ] || { cat "$out/checks"; status=1; }

# The man page as man shows it, and each command's help, both without
# indentation and runs of blanks: every help must stand in the page whole.
flat() { sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' -e '/^$/d' | tr -s ' '; }
page="$(LC_ALL=C MANWIDTH=200 man -l "$out/root/usr/share/man/man1/qrt35.1.gz" 2>/dev/null | col -bx | flat)"
commands="$("$build/qrt35" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z]*\).*/\1/p')"
[ -n "$commands" ] || { echo "qrt35 --help lists no commands"; status=1; }
for command in $commands; do
  [ "$command" = help ] && continue
  help="$("$build/qrt35" help "$command" | flat)"
  [[ "$page" == *"$help"* ]] || { echo "qrt35(1) does not hold the help of $command"; status=1; }
done
exit $status
