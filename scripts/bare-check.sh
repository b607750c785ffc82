#!/usr/bin/env bash
# Tries one of the two set-up commands on a bare Debian 12, as a new machine
# would run it: a fresh minimal root (debootstrap --variant=minbase) gets a
# copy of the committed tree and runs the command in a chroot, as root, with
# a clean environment. Prints the time taken and the command's exit code, and
# exits with that code.
#
#   scripts/bare-check.sh [--ref REF] [--keep] [TREE] [run|test]
#
# TREE is a git work tree (default: this one); REF the commit to copy (default
# HEAD; uncommitted changes are left out, as a fresh clone would leave them).
# The pristine root is made once, into $VTLX_BARE_PRISTINE (default
# /var/tmp/vtlx-bare-pristine), and copied anew for every check into
# $VTLX_BARE_ROOT (default /var/tmp/vtlx-bare-check); --keep leaves that copy
# in place afterwards for a look inside. The output of the command goes to the
# terminal and to bare-<command>.log in the current folder. The whole check
# holds /tmp/vtlx-build.lock, the machine's one-build-at-a-time lock. Needs
# root, debootstrap (only to make the pristine root) and the network to the
# Debian mirror.
set -euo pipefail

ref=HEAD
keep=0
tree=""
what=run
while [ $# -gt 0 ]; do
    case "$1" in
        --ref) ref="$2"; shift 2 ;;
        --keep) keep=1; shift ;;
        run|test) what="$1"; shift ;;
        -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) tree="$1"; shift ;;
    esac
done
[ -n "$tree" ] || tree="$(cd "$(dirname "$0")/.." && pwd)"
tree="$(cd "$tree" && pwd)"
[ "$(id -u)" -eq 0 ] || { echo "bare-check: must run as root (debootstrap, mount, chroot)" >&2; exit 2; }

pristine="${VTLX_BARE_PRISTINE:-/var/tmp/vtlx-bare-pristine}"
root="${VTLX_BARE_ROOT:-/var/tmp/vtlx-bare-check}"
log="$PWD/bare-$what.log"

if [ ! -x "$pristine/bin/bash" ]; then
    command -v debootstrap >/dev/null || {
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    }
    echo "bare-check: making the pristine root in $pristine"
    rm -rf "$pristine.tmp"
    debootstrap --variant=minbase bookworm "$pristine.tmp" http://deb.debian.org/debian >/dev/null
    mv "$pristine.tmp" "$pristine"
fi

mounts=(proc sys dev dev/shm dev/pts)
unmount() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        mountpoint -q "$root/${mounts[i]}" && { umount "$root/${mounts[i]}" 2>/dev/null || umount -l "$root/${mounts[i]}"; }
    done
    return 0
}
cleanup() {
    # Whatever the command left running in the root is ended with it.
    local pids
    pids=$(for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done || true)
    [ -n "$pids" ] && kill $pids 2>/dev/null || true
    unmount
    [ "$keep" -eq 1 ] || grep -q " $root/" /proc/mounts || rm -rf --one-file-system "$root"
}

unmount
if grep -q " $root/" /proc/mounts; then
    echo "bare-check: something is still mounted under $root; unmount it first" >&2
    exit 2
fi
rm -rf --one-file-system "$root"
cp -a "$pristine" "$root"
trap cleanup EXIT
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/shm "$root/dev/shm"
mount --bind /dev/pts "$root/dev/pts"

# A clone, as CI and a new developer start from (the format check lists the
# files through git); cloned from outside, so the root gets no git but the one
# the scripts install.
commit=$(git -C "$tree" rev-parse "$ref^{commit}")
git clone -q --no-hardlinks "$tree" "$root/root/vtlx"
git -C "$root/root/vtlx" checkout -q --detach "$commit"
echo "bare-check: ${commit:0:10} of $tree in a fresh bare root: bash scripts/$what.sh"

start=$(date +%s)
set +e
flock /tmp/vtlx-build.lock \
    chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /root/vtlx && bash scripts/$what.sh" </dev/null 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
secs=$(($(date +%s) - start))
echo "bare-check: bash scripts/$what.sh exited $rc after $((secs / 60))m$((secs % 60))s (log: $log)"
exit "$rc"
