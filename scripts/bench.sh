#!/usr/bin/env bash
# Builds and runs every benchmark program in build/bench/. Arguments go to
# each program: scripts/bench.sh --benchmark_filter=RunLabel runs the
# matching cases, scripts/bench.sh --benchmark_list_tests lists every case.
# Ends with a failure when no program was found or any program failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTABLO_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
shopt -s nullglob
progs=()
for b in build/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] && progs+=("$b")
done
if [ ${#progs[@]} -eq 0 ]; then
  echo "bench.sh: no benchmark programs in build/bench/" >&2
  exit 1
fi
failed=()
for b in "${progs[@]}"; do
  echo "== ${b##*/}"
  "$b" "$@" || failed+=("${b##*/}")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "bench.sh: failed: ${failed[*]}" >&2
  exit 1
fi
