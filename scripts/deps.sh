#!/usr/bin/env bash
# Installs the Debian packages the console needs to build, run and test.
# Idempotent: packages already present are left alone.
set -euo pipefail
PKGS=(cmake g++ ninja-build pkg-config qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev
      libreoffice-impress-nogui libreoffice-writer-nogui qt6-pdf-dev poppler-utils
      libbenchmark-dev fonts-liberation2 fonts-liberation xvfb xauth ffmpeg
      qt6-webengine-dev
      libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
      gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
      gstreamer1.0-tools libicu-dev libfreexl-dev libzip-dev x11-utils zlib1g-dev liblzma-dev)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
