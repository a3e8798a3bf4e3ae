#!/usr/bin/env bash
# Configures and builds everything into build/ (the ready program folder is build/Quillory/).
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then QUILLORY_CCACHE=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
cmake -S . -B build -G Ninja ${QUILLORY_CCACHE:-} -DQUILLORY_TESTS=ON "$@" >/dev/null
cmake --build build
