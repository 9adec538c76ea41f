#!/usr/bin/env bash
# Builds the .deb from the build tree given as $1 into a temporary folder and
# checks what it installs and what it depends on.
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
            /usr/lib/udev/rules.d/60-qrt35-parport.rules /usr/lib/udev/rules.d/60-qrt35-adapters.rules; do
  grep -qx "$want" "$out/files" || { echo "missing from the package: $want"; status=1; }
done
# Nothing of the build's own (tests, benchmarks, static libraries) is shipped.
if grep -E '/(test_|bench_|gui_test_|make_icons)|\.a$|/include/' "$out/files"; then
  echo "the package ships build files"; status=1
fi
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for pkg in libqt6widgets6 libc6 libstdc++6 libsqlite3-0 libpq5 libusb-1.0-0; do
  grep -q "$pkg" <<<"$depends" || { echo "Depends lacks $pkg"; status=1; }
done
desktop="$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/qrt35prog.desktop)"
grep -qx 'Exec=qrt35prog' <<<"$desktop" || { echo "desktop entry does not start qrt35prog"; status=1; }
exit $status
