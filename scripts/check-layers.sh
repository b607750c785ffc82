#!/usr/bin/env bash
# Fails on a Qt or QCustomPlot include outside src/platform/ and on an include
# cycle between units of src/ (a unit is a header with its source file),
# naming them: scripts/check-layers.sh [SRC_DIR] (default src).
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"
tool="${TMPDIR:-/tmp}/vtlx-checklayers-$(id -u)"
if [ ! -x "$tool" ] || [ scripts/checklayers.cpp -nt "$tool" ]; then
    g++ -std=c++20 -O1 -o "$tool" scripts/checklayers.cpp
fi
exec "$tool" "$src"
