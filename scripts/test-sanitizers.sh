#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and
# runs every test under them. Any sanitizer report fails the run. Expects the packages of
# scripts/setup.sh (scripts/test.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then QUILLORY_CCACHE=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
root=$(pwd)

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# Leaks of system libraries (Qt's plugins, fontconfig) are suppressed by name in
# scripts/sanitizers/lsan.supp; our own code has no suppression.
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-asan -G Ninja ${QUILLORY_CCACHE:-} -DQUILLORY_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j"${CTEST_PARALLEL_LEVEL:-$(nproc)}"
