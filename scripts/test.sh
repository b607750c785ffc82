#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
bash scripts/build.sh build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
