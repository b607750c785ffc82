#!/usr/bin/env bash
# Builds the Debian package and checks it as CI does:
#  1. builds the two programs with Debian's hardening flags into build-pkg/
#     (or the folder given) and makes the package with `cpack -G DEB`;
#  2. runs desktop-file-validate, appstreamcli validate and lintian on what
#     the package holds; any error (and any lintian warning) fails;
#  3. unpacks the package into a temporary folder, starts the simulator from
#     it as COM1 and the program as its menu entry says, on a virtual display,
#     checks the start-up on the simulator's line and the screenshot of the
#     main window, and ends the program with SIGTERM.
# Prints where the package and the screenshot are.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
dir="${1:-build-pkg}"

# What this script needs beyond scripts/setup.sh; installed when missing.
need=(desktop-file-utils appstream lintian librsvg2-bin dpkg-dev imagemagick xvfb xdotool)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "package: installing ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# ---- 1. build and package ----
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
# Only what the package holds: the tests and benchmarks are built elsewhere.
cmake --build "$dir" -j"$(nproc)" --target vortelix-riror vortelix-sensorsim vortelix-monitor vtlx_desktop_files
rm -f "$dir"/vortelix-riror_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/vortelix-riror_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

fail() { echo "package: FAILED: $*" >&2; exit 1; }

# ---- 2. validators ----
work=$(mktemp -d /tmp/vtlx-package-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in
    *libqt6widgets6*libc6*|*libc6*libqt6widgets6*) ;;
    *) fail "Depends were not computed from the binaries: '$depends'" ;;
esac
for f in usr/bin/vortelix-riror usr/bin/vortelix-sensorsim usr/bin/vortelix-monitor \
         usr/lib/systemd/system/vortelix-monitor@.service usr/share/man/man1/vortelix-monitor.1.gz \
         usr/share/doc/vortelix-riror/monitor-example.conf \
         usr/share/vortelix-riror/VORTELIX-Riror14.uir usr/share/vortelix-riror/VTLXlogo2.png \
         usr/share/applications/vortelix-riror.desktop \
         usr/share/metainfo/example.vortelix_sensorik.riror.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/vortelix-riror.svg \
         usr/share/man/man1/vortelix-riror.1.gz usr/share/man/man1/vortelix-sensorsim.1.gz \
         usr/share/doc/vortelix-riror/copyright usr/share/doc/vortelix-riror/changelog.gz; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
for size in 16 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/vortelix-riror.png"
    [ -f "$png" ] || fail "the package lacks the ${size}px icon"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not ${size}x${size}"
done

echo "package: desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/vortelix-riror.desktop"
echo "package: appstreamcli validate"
# --no-net: the screenshot and home page live on the maker's site, which a
# build machine need not reach.
appstreamcli validate --no-net "$root/usr/share/metainfo/example.vortelix_sensorik.riror.metainfo.xml"
echo "package: lintian"
lintian --fail-on error,warning --display-info "$deb"

# ---- 3. the unpacked package against the simulator ----
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
log="$work/line.jsonl"
"$root/usr/bin/vortelix-sensorsim" --com 1 --instant --log "$log" >"$work/sim.out" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
cat "$work/sim.out"

display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
# The command of the menu entry, run with the unpacked tree first on PATH.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/vortelix-riror.desktop")
(cd / && DISPLAY="$display" PATH="$root/usr/bin:$PATH" exec $exec_line) 2>"$work/program.err" &
prog=$!
pids+=($prog)

# Start-up is over once echo, identification, parameter read and firmware
# request have reached the simulator.
codes=""
for _ in $(seq 200); do
    codes=$(grep '"dir":"rx","kind":"frame"' "$log" | sed 's/.*"code":\([0-9]*\).*/\1/' | tr '\n' ' ' || true)
    [ "$codes" = "5 10 2 7 " ] && break
    sleep 0.1
done
[ "$codes" = "5 10 2 7 " ] || { cat "$work/program.err"; fail "start-up frames were '$codes'"; }
echo "package: start-up frames on the simulator's line: $codes"

window=$(DISPLAY="$display" timeout 20 xdotool search --sync --onlyvisible --name "VORTELIX-Riror" | head -n 1)
sleep 1.5 # the firmware text reaches the status line, the graphs repaint
shot="$top/$dir/vortelix-riror-installed.png"
DISPLAY="$display" import -window "$window" "$shot"
DISPLAY="$display" import -window "$window" -depth 8 "$work/shot.ppm"
python3 - "$work/shot.ppm" <<'EOF'
# The screenshot: a whole main window, with the blue header band.
import sys
data = open(sys.argv[1], "rb").read()
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace(): at += 1
    if data[at:at + 1] == b"#":
        at = data.index(b"\n", at); continue
    end = at
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[at:end]); at = end
magic, width, height = fields[0], int(fields[1]), int(fields[2])
pixels = data[at + 1:]
assert magic == b"P6", magic
blue = sum(1 for i in range(0, len(pixels) - 2, 3) if pixels[i:i + 3] == b"\x00\x80\xff")
print(f"package: screenshot {width}x{height}, {blue} pixels of the header band")
if width < 800 or height < 500 or blue < 2000:
    sys.exit("package: FAILED: the screenshot does not show the main window with its header")
EOF
echo "package: screenshot of the installed program: $shot"

kill -TERM "$prog"
status=0
wait "$prog" || status=$?
[ "$status" -eq 0 ] || { cat "$work/program.err"; fail "the program ended with $status"; }
echo "package: the installed program ended cleanly; $deb is good"
