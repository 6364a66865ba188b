#!/usr/bin/env bash
# Installs what is needed, builds the console and starts it. Without an X
# display it starts a virtual one (Xvfb) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tablo
if [ -z "${DISPLAY:-}" ]; then
  echo "No X display found: starting the console on a virtual display (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1920x1080x24" build/tablo "$@"
fi
exec build/tablo "$@"
