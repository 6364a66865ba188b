#!/usr/bin/env bash
# Builds and runs every benchmark in bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
for b in build/bench_*; do [ -x "$b" ] && "$b" "$@"; done
