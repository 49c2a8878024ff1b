#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian package the workstation needs, then configures and builds it.
# Idempotent and non-interactive; run as root on Debian 12.
#   scripts/setup.sh              install + build everything, tests included (build/)
#   scripts/setup.sh CIBLE...     install + build only these targets (and what they need)
#   scripts/setup.sh --no-build   install only
#   scripts/setup.sh --paquet     install only what building the Debian package needs
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

# Enough to build the three programs and the board's firmware, and to make the package.
package_only=(
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
  libjpeg62-turbo-dev libserialport-dev
  gcc-avr avr-libc binutils-avr
  dpkg-dev
)

packages=(
  build-essential g++ cmake ninja-build pkg-config git python3
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  gcc-avr avr-libc binutils-avr avrdude simavr libsimavr-dev libserialport-dev libelf-dev
  clang libclang-rt-14-dev
  libqt6opengl6-dev
  xvfb xauth poppler-utils fonts-dejavu-core fonts-liberation unrtf
  qt6-charts-dev
  locales
  qt6-translations-l10n
  openbox xdotool x11-utils wmctrl imagemagick
  dpkg-dev lintian desktop-file-utils appstream
)

[ "${1:-}" = "--paquet" ] && packages=("${package_only[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Paquets manquants : ${missing[*]}" >&2
    echo "Relancez ce script en tant que root (sudo) pour les installer." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A French locale with a decimal comma, used by the tests that check "." is forced.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen 2>/dev/null || true
    grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null 2>&1 || true
  fi
fi

if [ "${1:-}" != "--no-build" ] && [ "${1:-}" != "--paquet" ]; then
  # Debugging information as line tables only (-g1): back traces keep files and lines,
  # and the windows, heavy with Qt headers, compile about a fifth faster.
  cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" >/dev/null
  cmake --build "$here/build" ${1:+--target "$@"}
fi
