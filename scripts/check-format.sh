#!/usr/bin/env bash
# Every C++ source must be as clang-format leaves it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ ${#files[@]} -eq 0 ] && exit 0
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/vtlx-format.log; then
    grep -E '^[^ ].*: (error|warning)' /tmp/vtlx-format.log | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
    grep -v -E '^[^ ].*: (error|warning)|^ ' /tmp/vtlx-format.log | head -n 5 >&2 || true
    echo "format check failed: run clang-format -i on the files above" >&2
    exit 1
fi
echo "format check: ${#files[@]} files clean"
