#!/usr/bin/env bash
# Debug build with ThreadSanitizer; runs every test under it. Any report fails
# its test (exit code 66).
# Qt, GLib, GStreamer and the libraries under them are not instrumented: what
# they do inside is not checked, and the calls they make into the C library
# (locks, frees, copies) are not looked at (ignore_noninstrumented_modules), so
# their internal locking neither reports nor hides anything of ours. The one
# suppression (scripts/tsan.supp) is of the browser engine's own threads, which
# it ends at exit without joining. Calls handed to the main thread go through
# PostToMainThread (toolkit/Classes.h), which marks the hand-over that Qt's
# queue makes.
# Programs are started through StartProgram (toolkit/ProgramStart.h), which
# keeps Qt's vfork start away from the sanitizer's fork bookkeeping (it would
# switch the starting thread's lock tracking off). The reader process itself
# is built without the sanitizer (CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
JOBS=${JOBS:-$(nproc)}
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTABLO_TSAN=ON -DTABLO_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$JOBS"

export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="ignore_noninstrumented_modules=1 report_signal_unsafe=0 second_deadlock_stack=1 halt_on_error=0 exitcode=66 suppressions=$PWD/scripts/tsan.supp"
ctest --test-dir build-tsan --output-on-failure -j "$JOBS" --timeout 600
