#!/usr/bin/env bash
# Installs what is needed, builds, and starts Quillory from its ready program folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/Quillory/quillory
