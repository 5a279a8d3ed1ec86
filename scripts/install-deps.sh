#!/usr/bin/env bash
# Installs every Debian package the client, the reference service and the tests need.
# Idempotent: packages already present are left alone. Uses sudo when not root.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  gsoap libgsoap-dev libssl-dev openssl
  libjsoncpp-dev libtinyxml-dev libsqlite3-dev sqlite3 libsodium-dev
  libpq-dev postgresql
  nginx
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

# nginx's package starts a server of its own on port 80 as it is installed, through systemd or,
# where none runs (a fresh CI machine), its init script. The tests start nginx themselves, so
# when this script installs it, that server is kept from starting: a policy-rc.d that refuses
# the nginx service only, for the length of the installation (a machine's own policy-rc.d is
# left as it is), and the service stopped and disabled afterwards should it have started anyway.
POLICY=/usr/sbin/policy-rc.d
our_policy=0
restore_policy() { [ "$our_policy" -eq 1 ] && $SUDO rm -f "$POLICY"; our_policy=0; }
if [[ " ${missing[*]} " == *" nginx "* && ! -e "$POLICY" ]]; then
  trap restore_policy EXIT
  printf '%s\n' '#!/bin/sh' '# scripts/install-deps.sh: keeps the nginx service from starting while it is installed.' \
    'for arg; do case "$arg" in --*) ;; nginx|nginx.service) exit 101 ;; *) exit 0 ;; esac; done' 'exit 0' |
    $SUDO tee "$POLICY" >/dev/null
  $SUDO chmod 755 "$POLICY"
  our_policy=1
fi

$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
restore_policy

if [[ " ${missing[*]} " == *" nginx "* ]]; then
  if [ -d /run/systemd/system ]; then
    $SUDO systemctl disable --now nginx.service >/dev/null 2>&1 || true
  elif [ -s /run/nginx.pid ]; then
    $SUDO /usr/sbin/nginx -s quit >/dev/null 2>&1 || true
  fi
fi
