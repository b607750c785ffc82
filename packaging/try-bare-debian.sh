#!/usr/bin/env bash
# Installs the package on a fresh Debian 12 with apt and starts the program
# there as its menu entry says, headless (QT_QPA_PLATFORM=offscreen), against
# the simulator of the same package; checks the start-up on the simulator's
# line and that the program ends cleanly on SIGTERM.
#
#   packaging/try-bare-debian.sh PACKAGE.deb [PRISTINE_ROOT] [WORK_ROOT]
#
# PRISTINE_ROOT (default /var/tmp/vtlx-bare-pristine) is a bare Debian 12
# root that is left untouched: it is copied to WORK_ROOT (default
# /var/tmp/vtlx-desktop-bare), which is entered with chroot, with /proc, /sys,
# /dev and /dev/pts bound. Needs root and a network for apt.
set -euo pipefail
deb=$(realpath "$1")
pristine="${2:-/var/tmp/vtlx-bare-pristine}"
work="${3:-/var/tmp/vtlx-desktop-bare}"
[ "$(id -u)" -eq 0 ] || { echo "bare: needs root for chroot" >&2; exit 1; }
[ -d "$pristine" ] || { echo "bare: no pristine root at $pristine: not done" >&2; exit 3; }

rm -rf "$work"
cp -a "$pristine" "$work"
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
    done
}
trap cleanup EXIT
for m in proc sys dev dev/pts; do
    mkdir -p "$work/$m"
    mount --bind "/$m" "$work/$m"
    mounted+=("$work/$m")
done
cp -L /etc/resolv.conf "$work/etc/resolv.conf"
cp "$deb" "$work/tmp/"
name=$(basename "$deb")

echo "bare: $(cat "$work/etc/debian_version") root at $work; installing $name with apt"
chroot "$work" /bin/bash -euo pipefail -c "
    export DEBIAN_FRONTEND=noninteractive
    before=\$(dpkg-query -W -f='\${Package}\n' | wc -l)
    apt-get update -qq
    cd /tmp && apt-get install -y -qq ./$name >/dev/null
    after=\$(dpkg-query -W -f='\${Package}\n' | wc -l)
    echo \"bare: installed; apt added \$((after - before)) packages\"
    dpkg-query -W -f='bare: \${Package} \${Version} \${Status}\n' vortelix-riror
"

chroot "$work" /bin/bash -euo pipefail -c '
    export XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    vortelix-sensorsim --com 1 --instant --log /tmp/line.jsonl &
    sim=$!
    sleep 0.5
    exec_line=$(sed -n "s/^Exec=//p" /usr/share/applications/vortelix-riror.desktop)
    echo "bare: starting the menu entry: $exec_line"
    (cd / && exec $exec_line) 2>/tmp/program.err &
    prog=$!
    codes=""
    for _ in $(seq 200); do
        codes=$(grep "\"dir\":\"rx\",\"kind\":\"frame\"" /tmp/line.jsonl | sed "s/.*\"code\":\([0-9]*\).*/\1/" | tr "\n" " " || true)
        [ "$codes" = "5 10 2 7 " ] && break
        sleep 0.1
    done
    echo "bare: start-up frames on the simulator line: $codes"
    kill -TERM "$prog"
    status=0
    wait "$prog" || status=$?
    kill -TERM "$sim"; wait "$sim" || true
    echo "bare: the program ended with $status"
    [ "$codes" = "5 10 2 7 " ] && [ "$status" -eq 0 ] || { cat /tmp/program.err; exit 1; }
    vortelix-riror --version
'
echo "bare: the package installs and runs on a bare Debian 12"
