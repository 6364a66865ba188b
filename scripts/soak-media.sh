#!/usr/bin/env bash
# The media soak: the console's memory while the media page loops a mixed
# list (clips of every kind, a disc folder, pictures of every kind, a Flash
# movie) on a 1024 x 768 output area for 30 minutes; prints each sample and
# ends with the growth after the first two minutes (bench_media_soak, see
# README's benchmark table). TABLO_SOAK_SECONDS sets another length,
# TABLO_SOAK_KINDS a part of the list, TABLO_SOAK_OUTPUT another output size.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTABLO_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)" --target bench_media_soak
TABLO_SOAK_SECONDS="${TABLO_SOAK_SECONDS:-1800}" exec build/bench/bench_media_soak "$@"
