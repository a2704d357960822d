#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the browser tests and the benchmarks need.
# Idempotent: when everything is present it only checks and returns within a second or two.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config g++ ccache make git
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev qt6-pdf-dev qt6-multimedia-dev
  qt6-image-formats-plugins qt6-networkauth-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev libglx-dev libopengl-dev libvulkan-dev
  libboost1.74-dev libssl-dev openssl libqrencode-dev libzxing-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libheif-dev libavahi-client-dev librlottie-dev
  libimagequant-dev libarchive-dev libvips-tools libsodium-dev libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fontconfig gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  xvfb xauth imagemagick ghostscript ffmpeg libheif-examples curl chromium
  dbus-daemon at-spi2-core python3-pyatspi xdg-utils
  dbus avahi-daemon avahi-utils
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ! command -v node >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi

# playwright-core drives Debian's chromium in the browser tests; it never downloads a browser.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -f "$here/tests/e2e/package.json" ] && [ ! -d "$here/tests/e2e/node_modules/playwright-core" ]; then
  echo "install-deps: installing playwright-core for the browser tests"
  (cd "$here/tests/e2e" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --no-audit --no-fund --loglevel=error)
fi
