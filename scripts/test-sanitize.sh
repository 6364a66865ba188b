#!/usr/bin/env bash
# Debug build with AddressSanitizer and UBSan; runs every test under them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
JOBS=${JOBS:-$(nproc)}
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTABLO_SANITIZE=ON -DTABLO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j "$JOBS"
