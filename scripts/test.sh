#!/usr/bin/env bash
# Installs what is needed, builds, runs every test (headless), then checks the layers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The include lines run one way (layers, no loops).
bash scripts/check-layers.sh
