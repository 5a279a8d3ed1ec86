#!/usr/bin/env bash
# Installs every Debian package the client, the reference service and the tests need.
# Idempotent: packages already present are left alone. Uses sudo when not root.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  gsoap libgsoap-dev libssl-dev openssl
  libjsoncpp-dev libtinyxml-dev libsqlite3-dev sqlite3 libsodium-dev
  libpq-dev postgresql
  libpng-dev libjpeg-dev zlib1g-dev libgif-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-webengine-dev qt6-webengine-dev-tools
  qt6-qpa-plugins libgl1-mesa-dev libxcb1-dev
  fonts-noto-cjk fonts-arphic-uming fonts-dejavu-core
  xvfb xauth xdotool x11-utils openbox imagemagick ccache dpkg-dev
  poppler-utils qt6-translations-l10n
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libreoffice-writer-nogui
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
