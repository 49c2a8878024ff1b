#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package paquet/regulateur-vantor_1.1-1_<architecture>.deb:
# a build of the three programs alone (no tests) with Debian's hardening flags, and of
# the USB interface board's firmware (avr-gcc, which setup.sh installs),
# installed by `cmake --install` into a staging root, with the run-time dependencies
# found by dpkg-shlibdeps. Idempotent; run as root on Debian 12 (it installs what it
# needs to build the package first). tests/package/check_package.sh checks the result.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh" --paquet

name=regulateur-vantor
version="$(sed -n 's/^project(RegulateurVantor VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")-1"
arch="$(dpkg --print-architecture)"
# Inside build/, which holds every build tree of the checkout.
build="$here/build/paquet"
# The staging root, where dpkg-shlibdeps expects a package's files.
root="$build/debian/$name"
out="$here/paquet"
deb="$out/${name}_${version}_${arch}.deb"

# Debian's flags (optimisation, fortification, stack protector, full RELRO), without
# debugging information: the programs are stripped anyway.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
export DEB_CXXFLAGS_MAINT_STRIP="-g"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DVANTOR_BENCH=OFF -DVANTOR_FROM_BUILD_TREE=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" --target regulateur-vantor regulateur-vantor-simulation \
  regulateur-vantor-lot interface-usb

rm -rf "$root"
DESTDIR="$root" cmake --install "$build" --strip >/dev/null
[ -s "$root/usr/share/$name/interface-usb.hex" ] ||
  { echo "le micrologiciel interface-usb.hex manque au paquet" >&2; exit 1; }
doc="$root/usr/share/doc/$name"
install -d "$doc"
install -m 0644 "$here/packaging/debian/copyright" "$doc/copyright"
gzip -9n <"$here/packaging/debian/changelog" >"$doc/changelog.Debian.gz"
install -D -m 0644 "$here/packaging/debian/lintian-overrides" \
  "$root/usr/share/lintian/overrides/$name"
find "$root/usr/share/man" -name '*.[0-9]' -exec gzip -9n {} +
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/"*

# Run-time dependencies of the three programs (Qt 6, libjpeg, the C++ run-time);
# dpkg-shlibdeps recognises a package's directory by its DEBIAN/ folder.
install -d -m 0755 "$root/DEBIAN"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$name" "$name" \
  >"$build/debian/control"
depends="$(cd "$build" && dpkg-shlibdeps -O "debian/$name/usr/bin/"* |
  sed -n 's/^shlibs:Depends=//p')"
[ -n "$depends" ] || { echo "dpkg-shlibdeps n'a trouvé aucune dépendance" >&2; exit 1; }

size="$(du -sk --exclude=DEBIAN "$root" | cut -f1)"
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
  -e "s/@DEPENDS@/$depends/" "$here/packaging/debian/control" >"$root/DEBIAN/control"
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) \
  >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

mkdir -p "$out"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
