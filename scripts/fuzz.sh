#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each of them.
#
#   scripts/fuzz.sh [seconds-per-target]   (default 60)
#     Fresh random seeds for a bounded time, by hand or on a schedule. The
#     corpus the runs grow is kept in build-fuzz between runs. Every input that
#     crashes or hangs a target is kept under fuzz/regress/<target>/ (replayed
#     by the fuzz-labelled tests of the normal build).
#   scripts/fuzz.sh --fixed
#     For CI: every target runs a fixed number of inputs from a fixed seed over
#     the kept corpus (fuzz/corpus/<target>, fuzz/regress/<target>), which it
#     reads and never changes; what it finds goes to a scratch folder that is
#     emptied first. The same code gives the same executions and coverage on
#     every run, on a fast machine and a slow one. A failing input stays in
#     build-fuzz/fuzz/fixed/artifacts/<target>/.
#
# Exits non-zero when a target failed. Prints the executions, the coverage and
# the corpus of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
fixed=0
seconds=60
case "${1:-}" in
--fixed) fixed=1 ;;
'') ;;
*[!0-9]*)
    echo "usage: scripts/fuzz.sh [seconds-per-target | --fixed]" >&2
    exit 2
    ;;
*) seconds="$1" ;;
esac
root="$PWD"
build="$root/build-fuzz"
targets=(rxframe identity parafile panelfile namedset recordfile monitorconfig command)

# The fixed runs: one seed, and per target as many inputs as fit in about half
# a minute on a slow machine (the rates differ by two orders of magnitude: a
# panel file loads two windows, a receive frame is a few copies).
fixed_seed=20250101
declare -A fixed_runs=([rxframe]=60000 [identity]=20000 [parafile]=30000 [panelfile]=8000 [namedset]=50000
    [recordfile]=15000 [monitorconfig]=60000 [command]=30000)

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
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$build" -G "Unix Makefiles" -DVTLX_FUZZ=ON "${launcher[@]}" >/dev/null
"${lock[@]}" cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp"
# The fixed runs take randomness out of the process too: Qt seeds its hash
# tables at random, and with address randomisation the pointer values the
# fuzzer sees in comparisons (and turns into mutations) differ from run to run.
norandom=()
if [ $fixed -eq 1 ]; then
    export QT_HASH_SEED=0
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        norandom=(setarch "$(uname -m)" -R)
    else
        echo "fuzz: cannot turn address randomisation off here; the fixed runs may differ"
    fi
fi
failed=0
summary=()
for t in "${targets[@]}"; do
    maxlen=1100
    [ "$t" = panelfile ] && maxlen=70000
    [ "$t" = parafile ] && maxlen=512
    [ "$t" = recordfile ] && maxlen=4096 # a header and some thirty rows
    kept=("$root/fuzz/corpus/$t")
    [ -d "$root/fuzz/regress/$t" ] && kept+=("$root/fuzz/regress/$t")
    if [ $fixed -eq 1 ]; then
        work="$build/fuzz/fixed/work/$t" # scratch: new inputs of this run only
        artifacts="$build/fuzz/fixed/artifacts/$t/"
        rm -rf "$work"
        # Qt's event processing varies a little with the clock (how often an
        # event filter runs, what Qt allocates), so the fixed runs go by edges
        # alone, not by how often each ran, and hunt no leaks (which runs an
        # input again when allocations and frees do not match).
        budget=(-seed="$fixed_seed" -runs="${fixed_runs[$t]}" -reload=0 -use_counters=0
            -detect_leaks=0)
        # A command's answer carries the time of day, and what is compared
        # while it is made differs from run to run: the fuzzer would learn
        # other values from those comparisons on every run.
        [ "$t" = command ] && budget+=(-use_cmp=0)
        echo "fuzz: $t, ${fixed_runs[$t]} runs from seed $fixed_seed"
    else
        work="$build/fuzz/work/$t" # grown by the runs, kept between runs
        artifacts="$build/fuzz/artifacts/$t/"
        budget=(-max_total_time="$seconds")
        echo "fuzz: $t for ${seconds}s"
    fi
    mkdir -p "$work" "$artifacts"
    rm -f "$artifacts"*
    log="$build/fuzz/$t.log"
    start=$SECONDS
    set +e
    (cd "$build/fuzz" && "${norandom[@]}" ./"fuzz_$t" "${budget[@]}" -timeout=10 -rss_limit_mb=4096 \
        -max_len="$maxlen" -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "${kept[@]}") >"$log" 2>&1
    rc=$?
    set -e
    took=$((SECONDS - start))
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(echo "$last" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*' || true)
    ft=$(echo "$last" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*' || true)
    corp=$(echo "$last" | grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' | cut -d' ' -f2 || true)
    # Executions, coverage and corpus first: in the fixed runs they are the
    # same every time; the rate and the time are the machine's.
    line="$t: execs ${execs:-?}, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}; ${rate:-?}/s, ${took}s"
    if [ $rc -ne 0 ]; then
        failed=1
        if [ $fixed -eq 1 ]; then
            line="$line: FAILED (exit $rc), input(s) in $artifacts, log $log"
        else
            mkdir -p "fuzz/regress/$t"
            n=0
            for a in "$artifacts"*; do
                [ -f "$a" ] || continue
                # A kept input that fails again is not kept twice.
                for k in "fuzz/regress/$t/"*; do
                    cmp -s "$a" "$k" && continue 2
                done
                cp "$a" "fuzz/regress/$t/"
                n=$((n + 1))
            done
            line="$line: FAILED (exit $rc), $n input(s) kept in fuzz/regress/$t/, log $log"
        fi
        grep -E "ERROR|SUMMARY|runtime error|^$t:" "$log" | head -5 || true
    fi
    echo "fuzz: $line"
    summary+=("$line")
done
echo "fuzz: summary"
printf '  %s\n' "${summary[@]}"
exit $failed
