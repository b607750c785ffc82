#!/usr/bin/env bash
# Plants faults in the program one at a time and checks that the suite
# catches each: applies the fault (an exact text in a file, replaced), builds,
# runs the tests of the labels that matter, puts the file back, and prints a
# table "fault | caught by". A fault whose build fails counts as not planted.
# Exits 1 when a fault went unnoticed. Hold the build lock around it:
#   vlock bash scripts/mutate.sh [build-folder] [fault-name-part]
# Each fault is a block of lines "fault:", "file:", "find:", "put:",
# "labels:" (ctest labels, separated by spaces); find must occur exactly once,
# so that a fault that no longer fits after a change of the code says so
# instead of testing nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
only="${2:-}"
[ -d "$dir" ] || { echo "mutate: no build in $dir" >&2; exit 2; }

read -r -d '' FAULTS <<'TABLE' || true
fault: a wrong command code for the line check
file: src/com232/portsetup.cpp
find:     SendCommand(CODE_ECHO, 1);
put:     SendCommand(CODE_ECHO - 1, 1);
labels: startup faults

fault: the resync misses the last offset of the sync word
file: src/com232/com232.cpp
find:     for (int k = 1; k + 1 < FRAMELEN; k++)
put:     for (int k = 1; k + 2 < FRAMELEN; k++)
labels: link

fault: the bytes behind a frame are not flushed
file: src/com232/com232.cpp
find:     rxTrailing = past + GetInQLen(com);
put:     rxTrailing = past + GetInQLen(com); return;
labels: link

fault: a frame that echoes another command is taken
file: src/com232/com232.cpp
find:         if (!ReplyEchoes(order)) {
put:         if (ReplyEchoes(order)) {
labels: link

fault: the resync takes the first sync word in stray bytes, not the reply's
file: src/com232/com232.cpp
find:         if (WordIn(seen, k + 2) == (static_cast<unsigned>(order) & 0xFFFF)) {
put:         if (WordIn(seen, k + 2) != (static_cast<unsigned>(order) & 0xFFFF)) {
labels: link

fault: the line check takes any sync word
file: src/com232/portsetup.cpp
find:         if (ReadBufWord(0) == REPLY_SYNC) {
put:         if (ReadBufWord(0) != 0) {
labels: startup faults

fault: a notification without bytes closes the port
file: src/platform/comport.cpp
find:         if (!hungUp() && ++emptyReads_ < MAX_EMPTY_READS) {
put:         if (false) {
labels: link

fault: a wrong Cpk (the larger distance to a limit)
file: src/statistics/runstats.cpp
find:         s.cpk = std::fmin(upper - s.value.mean, s.value.mean - lower) / (3 * s.value.sd);
put:         s.cpk = std::fmax(upper - s.value.mean, s.value.mean - lower) / (3 * s.value.sd);
labels: recording paramsets

fault: a row lost on a failed write is counted as recorded
file: src/recording/recorder.cpp
find:     rows = static_cast<long>(AppendFileLines(file)) - 1;
put:     rows = static_cast<long>(AppendFileLines(file));
labels: recording

fault: the system's ports are numbered from 2
file: src/platform/portfolder.cpp
find:     int next = 1;
put:     int next = 2;
labels: link desktop

fault: the offset from UTC with the wrong sign
file: src/platform/ticker.cpp
find: offset < 0 ? '-' : '+'
put: offset < 0 ? '+' : '-'
labels: recording

fault: the default recording name changed
file: src/recording/recorder.cpp
find: "VTLXrun-%s.csv"
put: "VTLXrun_%s.csv"
labels: recording

fault: the old file is removed before a whole file is written over it
file: src/platform/savefile.cpp
find:     QSaveFile file(QFile::decodeName(path ? path : ""));
put:     QSaveFile file(QFile::decodeName(path ? path : "")); QFile::remove(file.fileName());
labels: paramsets

fault: named sets of any size are read
file: src/platform/savefile.cpp
find:     if (file.size() > maxBytes) {
put:     if (file.size() > 64 * maxBytes) {
labels: paramsets

fault: a parameter file half written replaces the old one
file: src/platform/widgets/fileio.cpp
find:         out.cancelWriting();
put:         out.commit();
labels: ui params

fault: a value one past the range is taken
file: src/paramsets/paramtable.cpp
find:     return v >= PARAM_TABLE[i].min && v <= ParamMax(i);
put:     return v >= PARAM_TABLE[i].min && v <= ParamMax(i) + 1;
labels: paramsets params

fault: the fit's slope with the wrong sign
file: src/analysis/linfit.cpp
find:     *slope = static_cast<double>((sx * sy - n * sxy) / d);
put:     *slope = static_cast<double>((n * sxy - sx * sy) / d);
labels: calib
TABLE

export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d "${TMPDIR:-/tmp}/vortelix-mutate-XXXXXX")
export XDG_RUNTIME_DIR="$runtime"
backup="$runtime/original"
planted=""
restore() {
    if [ -n "$planted" ]; then cp "$backup" "$planted"; fi
    planted=""
}
trap 'restore; rm -rf "$runtime"' EXIT

rows=()
missed=0
run_fault() { # name file find put labels
    local name="$1" file="$2" find="$3" put="$4" labels="$5"
    local content count verdict regex log
    [ -n "$only" ] && [[ "$name" != *"$only"* ]] && return 0
    if [ ! -f "$file" ]; then
        rows+=("$name | NOT PLANTED: $file is gone"); missed=$((missed + 1)); return 0
    fi
    content=$(cat "$file"; printf x)
    content="${content%x}"
    count=$(grep -cF -- "$find" "$file" || true)
    if [ "$count" != 1 ]; then
        rows+=("$name | NOT PLANTED: the text is in $file $count times")
        missed=$((missed + 1)); return 0
    fi
    cp "$file" "$backup"
    planted="$file"
    printf '%s' "${content/"$find"/"$put"}" >"$file"
    echo "mutate: $name" >&2
    log="$runtime/log"
    if ! cmake --build "$dir" -j"$(nproc)" >"$log" 2>&1; then
        verdict="NOT PLANTED: it does not build"
        missed=$((missed + 1))
    else
        regex="^($(echo "$labels" | tr ' ' '|'))\$"
        if (cd "$dir" && ctest -j"$(nproc)" --timeout 300 -L "$regex" >"$log" 2>&1); then
            verdict="NOT CAUGHT (labels: $labels)"
            missed=$((missed + 1))
        else
            verdict=$(sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^\s+[0-9]+ - ' |
                sed -E 's/^\s+[0-9]+ - ([^ ]+).*/\1/' | head -3 | paste -sd ',' -)
            local total
            total=$(sed -n '/The following tests FAILED/,$p' "$log" | grep -cE '^\s+[0-9]+ - ' || true)
            [ "$total" -gt 3 ] && verdict="$verdict (+$((total - 3)) more)"
            [ -z "$verdict" ] && verdict="the run failed (see ctest)"
        fi
    fi
    restore
    rows+=("$name | $verdict")
}

name="" file="" find="" put="" labels=""
while IFS= read -r line; do
    case "$line" in
    "fault: "*) name="${line#fault: }" ;;
    "file: "*) file="${line#file: }" ;;
    "find: "*) find="${line#find: }" ;;
    "put: "*) put="${line#put: }" ;;
    "labels: "*)
        labels="${line#labels: }"
        run_fault "$name" "$file" "$find" "$put" "$labels"
        ;;
    esac
done <<<"$FAULTS"

echo "mutate: building the program as it is again" >&2
cmake --build "$dir" -j"$(nproc)" >/dev/null
echo "fault | caught by"
echo "--- | ---"
printf '%s\n' "${rows[@]}"
echo "mutate: ${#rows[@]} faults, $missed not caught"
[ "$missed" -eq 0 ]
