#!/usr/bin/env bash
# Checks that scripts/setup.sh installs everything the build used, so that a
# bare Debian 12 builds too: a package that happens to be on this machine but
# is neither in the set-up list nor pulled in by it fails the check.
#
#   scripts/check-packages.sh [--without PKG]... BUILD_DIR
#
# BUILD_DIR is a configured and built folder (Unix Makefiles generator). The
# files read from outside the source and build folders are
# - the CMake files configure loaded (CMAKE_MAKEFILE_DEPENDS, the list make
#   uses to decide when to configure again),
# - the headers in the compiler's dependency files (*.o.d),
# - the libraries on the link lines (link.txt; -lNAME resolved the way the
#   compiler resolves it) and the compiler itself,
# - the programs and files the make rules and Qt's code generators name
#   (build.make, AutogenInfo.json: cmake, moc, ...).
# Each file is mapped to its package with dpkg -S; a package passes when it
# is in the set-up list, depended on by it (recursively, without recommends),
# or part of every Debian system (priority "required"). --without PKG drops
# PKG from the list first, to see what would break without it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$(cd "$here/.." && pwd)"

without=()
build=""
while [ $# -gt 0 ]; do
    case "$1" in
        --without) without+=("$2"); shift 2 ;;
        -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) build="$1"; shift ;;
    esac
done
[ -n "$build" ] || { echo "usage: check-packages.sh [--without PKG]... BUILD_DIR" >&2; exit 2; }
build="$(cd "$build" && pwd)"
[ -f "$build/CMakeFiles/Makefile.cmake" ] || {
    echo "check-packages: $build is not configured with the Unix Makefiles generator" >&2
    exit 2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1. The files, by kind: cmake (loaded by configure), compile (headers),
# link (libraries and the compiler), tools (what the make rules and the Qt
# code generators run or depend on). Paths inside the source or build folder
# are the project's own.
sed -n '/^set(CMAKE_MAKEFILE_DEPENDS/,/^  *)/p' "$build/CMakeFiles/Makefile.cmake" |
    grep -o '"/[^"]*"' | tr -d '"' >"$work/raw.cmake"
find "$build" -path '*/CMakeFiles/*' -name '*.o.d' -print0 | xargs -0 -r cat |
    tr -s ' \\\t' '\n\n\n' | grep '^/' | grep -v ':$' | sort -u >"$work/raw.compile" || true
find "$build" -path '*/CMakeFiles/*' -name link.txt -print0 | while IFS= read -r -d '' f; do
    read -r -a words <"$f"
    cc="${words[0]}"
    echo "$cc"
    for w in "${words[@]:1}"; do
        case "$w" in
            /*) echo "$w" ;;
            -l*)
                for ext in so a; do
                    p=$("$cc" -print-file-name="lib${w#-l}.$ext")
                    [ "${p#/}" != "$p" ] && { echo "$p"; break; }
                done ;;
        esac
    done
done | sort -u >"$work/raw.link"
find "$build" -path '*/CMakeFiles/*' \( -name build.make -o -name AutogenInfo.json \) -print0 |
    xargs -0 -r grep -ohE '(^|[ "])/[^ "]+' | tr -d ' "' | sort -u >"$work/raw.tools" || true
for kind in cmake compile link tools; do
    grep -v -e "^$src/" -e "^$build/" "$work/raw.$kind" | xargs -r -d '\n' realpath -s -q -e -- |
        while IFS= read -r p; do [ -f "$p" ] && echo "$p"; done | sort -u >"$work/files.$kind" || true
done
sort -u "$work"/files.* >"$work/files"

# 2. Their packages: the path as written, else with its links resolved, else
# under the other half of the merged /usr (dpkg knows some files as /lib/...).
owners() { # files on stdin -> "package<TAB>file" on stdout
    xargs -r -d '\n' dpkg -S 2>/dev/null | grep -v '^diversion ' |
        sed -E 's/^(.*): (\/.*)$/\1\t\2/; s/:[a-z0-9]+(,|\t)/\1/g' || true
}
owners <"$work/files" >"$work/owned"
cut -f2 "$work/owned" | sort -u | comm -23 "$work/files" - >"$work/left"
: >"$work/unowned"
while IFS= read -r f; do
    for alt in "$(readlink -f "$f")" "${f#/usr}" "/usr$f"; do
        [ "$alt" != "$f" ] || continue
        hit=$(printf '%s\n' "$alt" | owners | head -n 1)
        [ -n "$hit" ] && { printf '%s\t%s\n' "${hit%%$'\t'*}" "$f" >>"$work/owned"; continue 2; }
    done
    echo "$f" >>"$work/unowned"
done <"$work/left"

# 3. What set-up brings: its list (less --without), everything that list
# depends on, and the packages every Debian system has.
printf '%s\n' "${without[@]}" "" >"$work/without"
bash "$here/setup.sh" --list | grep -vxF -f "$work/without" >"$work/list"
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances $(cat "$work/list") | grep -v '^ ' | tr -d '<>' |
    sed 's/:any$//' >"$work/brought"
dpkg-query -W -f='${Package} ${Priority} ${Essential}\n' |
    awk '$2 == "required" || $3 == "yes" { print $1 }' >>"$work/brought"
sort -u -o "$work/brought" "$work/brought"

# CMake files named in include(... OPTIONAL) by another loaded file: a
# package whose CMake files came in only that way, and of which nothing was
# compiled or linked, is not needed (the test library's config loads its mock
# library's targets like that when they are there).
xargs -r -d '\n' awk '
    /^[ \t]*include[ \t]*\(.*[ \t]OPTIONAL[ \t]*\)/ {
        f = $0
        sub(/^[ \t]*include[ \t]*\([ \t]*/, "", f); sub(/[ \t]+OPTIONAL.*$/, "", f); gsub(/"/, "", f)
        dir = FILENAME; sub(/\/[^\/]*$/, "", dir)
        gsub(/\$\{CMAKE_CURRENT_LIST_DIR\}/, dir, f)
        if (f ~ /^\//) print f
    }' <"$work/files.cmake" | xargs -r -d '\n' realpath -s -q -- | sort -u >"$work/optional" || true
sort -u "$work/files.compile" "$work/files.link" "$work/files.tools" >"$work/built"

# A file several packages own (a shared folder would, a file hardly) passes
# when any of them is brought.
awk -F'\t' -v OFS='\t' '
    FILENAME == ARGV[1] { brought[$1] = 1; next }
    FILENAME == ARGV[2] { built[$1] = 1; next }
    FILENAME == ARGV[3] { optional[$1] = 1; next }
    {
        n = split($1, alts, /, /)
        for (i = 1; i <= n; i++) if (alts[i] in brought) next
        if (!($1 in first)) first[$1] = $2
        if ($2 in built) needed[$1] = 1
        if ($2 in optional) opt[$1] = 1
    }
    END {
        for (p in first) print ((p in opt) && !(p in needed)) ? "optional" : "missing", p, first[p]
    }' "$work/brought" "$work/built" "$work/optional" "$work/owned" | sort >"$work/verdict"

failed=0
while IFS=$'\t' read -r verdict pkg file; do
    [ "$verdict" = missing ] || continue
    echo "check-packages: $pkg is used by the build but not installed by scripts/setup.sh (e.g. $file)"
    failed=1
done <"$work/verdict"
while IFS= read -r f; do
    echo "check-packages: $f is used by the build but belongs to no Debian package"
    failed=1
done <"$work/unowned"

npkg=$(cut -f1 "$work/owned" | sort -u | wc -l)
nfiles=$(wc -l <"$work/files")
if [ $failed -ne 0 ]; then
    echo "check-packages: FAILED: add the package(s) above to scripts/setup.sh ($nfiles files, $npkg packages checked)"
    exit 1
fi
opt=$(awk -F'\t' '$1 == "optional" { printf "%s%s", sep, $2; sep = ", " }' "$work/verdict")
echo "check-packages: $nfiles files from $npkg packages, all installed by scripts/setup.sh${opt:+ (not needed: $opt, loaded only as optional CMake files)}"
