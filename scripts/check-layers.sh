#!/usr/bin/env bash
# Fails on a Qt or QCustomPlot include outside src/platform/, on an include
# cycle between units of src/ (a unit is a header with its source file), on
# two folders that include each other and on a command code defined outside
# com232/protocol.h, naming them: scripts/check-layers.sh [SRC_DIR] [--graph]
# (default src; --graph also prints the folder graph).
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"
# One tool per version of its source: checkouts side by side do not share it.
tool="${TMPDIR:-/tmp}/vtlx-checklayers-$(id -u)-$(sha1sum scripts/checklayers.cpp | cut -c1-12)"
if [ ! -x "$tool" ]; then
    g++ -std=c++20 -O1 -o "$tool.tmp.$$" scripts/checklayers.cpp
    mv "$tool.tmp.$$" "$tool"
fi
exec "$tool" "$src" ${2:+"$2"}
