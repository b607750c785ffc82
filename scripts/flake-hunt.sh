#!/usr/bin/env bash
# Runs the suite N times (default 3) while stress-ng keeps every processor
# busy, and prints each failure with the round it came in. The build folder
# is the second argument (default build; build-asan runs the sanitizer
# build with its options, soak left out as in scripts/test.sh). Exits 1
# when any round failed. Build first; this script does not build.
#   bash scripts/flake-hunt.sh 3
#   bash scripts/flake-hunt.sh 3 build-asan
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-3}"
dir="${2:-build}"
[ -d "$dir" ] || { echo "flake-hunt: no build in $dir" >&2; exit 2; }
command -v stress-ng >/dev/null || { echo "flake-hunt: stress-ng is missing (scripts/setup.sh)" >&2; exit 2; }

runtime=$(mktemp -d "${TMPDIR:-/tmp}/vortelix-flakes-XXXXXX")
stress-ng --cpu "$(nproc)" --cpu-load 100 --timeout 0 --quiet &
load=$!
trap 'kill "$load" 2>/dev/null; wait "$load" 2>/dev/null; rm -rf "$runtime"' EXIT

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
extra=()
if [ "$dir" = build-asan ]; then
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1 VTLX_TIME_FACTOR="${VTLX_TIME_FACTOR:-4}"
    extra=(-LE soak)
fi

failed=0
for round in $(seq 1 "$rounds"); do
    log="$runtime/round-$round.log"
    start=$(date +%s)
    if (cd "$dir" && ctest -j"$(nproc)" --timeout 600 "${extra[@]}" >"$log" 2>&1); then
        echo "round $round: passed in $(($(date +%s) - start)) s"
    else
        failed=$((failed + 1))
        echo "round $round: FAILED in $(($(date +%s) - start)) s"
        sed -n '/The following tests FAILED/,$p' "$log"
        grep -B2 -A25 -E '^\[  FAILED  \]|Failure$|ERROR: (Address|Leak)Sanitizer|runtime error' "$log" | head -200 || true
    fi
    grep -E '^(Total Test time|[0-9]+% tests passed)' "$log" | sed "s/^/round $round: /"
done
echo "flake-hunt: $failed of $rounds rounds failed under load ($dir)"
[ "$failed" -eq 0 ]
