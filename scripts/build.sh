#!/usr/bin/env bash
# Configures and builds everything into build/ (the ready program folder is build/Quillory/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DQUILLORY_TESTS=ON "$@" >/dev/null
cmake --build build
