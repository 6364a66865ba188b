#!/usr/bin/env bash
# Installs the Debian packages the console needs to build, run and test.
# Idempotent: packages already present are left alone.
# Packages are installed without their recommendations, so a package the
# console needs only through a recommendation is listed here itself:
# fonts-urw-base35 (the Windows-metafile library draws its text with the
# URW base fonts and refuses a metafile without them).
set -euo pipefail
PKGS=(cmake g++ ninja-build pkg-config qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev
      libreoffice-impress-nogui libreoffice-writer-nogui qt6-pdf-dev poppler-utils
      libbenchmark-dev fonts-liberation2 fonts-liberation fonts-dejavu-extra xvfb xauth ffmpeg
      qt6-webengine-dev
      libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
      gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
      gstreamer1.0-tools libicu-dev libfreexl-dev libzip-dev x11-utils zlib1g-dev liblzma-dev
      libemf2svg-dev libwmf-dev fonts-urw-base35 qt6-svg-dev dvdauthor libxcb1-dev)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Flash player: Ruffle (JavaScript + WebAssembly), pinned, fetched with the
# npm registry client, which checks the package against the registry's
# integrity record; the pinned digest is checked again here. It is unpacked
# into .deps/ beside the sources (outside every build folder); the build
# points at it (TABLO_RUFFLE_DIR) and scripts/run.sh installs it beside the
# console as ruffle/.
RUFFLE_VERSION=0.6.0
RUFFLE_INTEGRITY="sha512-P2X1zDENBoiLt2ZjPcsUzaDxoR7fVF2e1U/bi7hbIAQEjkykxljSoG8AgbywHvlVVzL9Y5tIZMRqDwIm31jgPA=="
root="$(cd "$(dirname "$0")/.." && pwd)"
ruffle="$root/.deps/ruffle-$RUFFLE_VERSION"
if [ ! -f "$ruffle/ruffle.js" ]; then
  if ! command -v npm >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends npm
  fi
  command -v openssl >/dev/null || { SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo";
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends openssl; }
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  (cd "$tmp" && npm pack "@ruffle-rs/ruffle@$RUFFLE_VERSION" --ignore-scripts --silent >/dev/null)
  tgz="$tmp/ruffle-rs-ruffle-$RUFFLE_VERSION.tgz"
  got="sha512-$(openssl dgst -sha512 -binary "$tgz" | base64 -w0)"
  if [ "$got" != "$RUFFLE_INTEGRITY" ]; then
    echo "The Flash player package does not match its pinned digest: $got" >&2
    exit 1
  fi
  mkdir -p "$tmp/unpacked"
  tar -xzf "$tgz" -C "$tmp/unpacked" --no-same-owner
  rm -rf "$ruffle.new" && mkdir -p "$root/.deps"
  mv "$tmp/unpacked/package" "$ruffle.new"
  rm -rf "$ruffle" && mv "$ruffle.new" "$ruffle"
  echo "Flash player (Ruffle $RUFFLE_VERSION) unpacked into $ruffle"
fi
