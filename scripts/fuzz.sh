#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time: scripts/fuzz.sh [seconds-per-target] (default 60).
# Every input that crashes or hangs a target is kept under
# fuzz/regress/<target>/ (replayed by the fuzz-labelled tests of the normal
# build) and the script exits non-zero; otherwise it exits zero. Prints the
# executions and the coverage of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
root="$PWD"
build="$root/build-fuzz"
targets=(rxframe identity parafile panelfile)

bash scripts/setup.sh
missing=()
for p in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "fuzz: installing ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# One build at a time on a shared machine.
lock=()
command -v flock >/dev/null && lock=(flock /tmp/vtlx-build.lock)
CC=clang CXX=clang++ cmake -S . -B "$build" -G "Unix Makefiles" -DVTLX_FUZZ=ON >/dev/null
"${lock[@]}" cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp"
failed=0
summary=()
for t in "${targets[@]}"; do
    work="$build/fuzz/work/$t"        # corpus grown by the runs, kept between runs
    artifacts="$build/fuzz/artifacts/$t/"
    mkdir -p "$work" "$artifacts"
    rm -f "$artifacts"*
    maxlen=1100
    [ "$t" = panelfile ] && maxlen=70000
    [ "$t" = parafile ] && maxlen=512
    log="$build/fuzz/$t.log"
    echo "fuzz: $t for ${seconds}s"
    set +e
    (cd "$build/fuzz" && ./"fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -max_len="$maxlen" -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "$root/fuzz/corpus/$t") >"$log" 2>&1
    rc=$?
    set -e
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(echo "$last" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*' || true)
    ft=$(echo "$last" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*' || true)
    corp=$(echo "$last" | grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' | cut -d' ' -f2 || true)
    line="$t: execs ${execs:-?}, ${rate:-?}/s, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}"
    if [ $rc -ne 0 ]; then
        failed=1
        mkdir -p "fuzz/regress/$t"
        kept=0
        for a in "$artifacts"*; do
            [ -f "$a" ] || continue
            cp "$a" "fuzz/regress/$t/"
            kept=$((kept + 1))
        done
        line="$line: FAILED (exit $rc), $kept input(s) kept in fuzz/regress/$t/, log $log"
        grep -E 'ERROR|SUMMARY|runtime error|rxframe:|parafile:|panelfile:' "$log" | head -5 || true
    fi
    echo "fuzz: $line"
    summary+=("$line")
done
echo "fuzz: summary"
printf '  %s\n' "${summary[@]}"
exit $failed
