#!/usr/bin/env bash
# Tries one of the two set-up commands on a bare Debian 12, as a new user
# would run it: a fresh minimal root (debootstrap --variant=minbase) gets a
# clone of the committed tree and runs the command in a chroot, as root,
# with /proc, /sys, /dev and /dev/pts bound in as a user binds them by hand
# (nothing else: no /dev/shm of its own, no proc mounted anew). It runs it
# twice, each time in a fresh copy of the root: with the caller's own
# environment, as a user types the chroot command in a terminal, and with a
# clean one (env -i), as a service or CI may start it. Prints the time taken
# and each run's exit code, and exits 1 when either failed.
#
#   scripts/bare-check.sh [--ref REF] [--keep] [--env both|caller|clean] [TREE] [run|test]
#
# TREE is a git work tree (default: this one); REF the commit to copy (default
# HEAD; uncommitted changes are left out, as a fresh clone would leave them);
# --env runs only one of the two environments (default both).
# The pristine root is made once, into $VTLX_BARE_PRISTINE (default
# /var/tmp/vtlx-bare-pristine), and copied anew for every check into
# $VTLX_BARE_ROOT (default /var/tmp/vtlx-bare-check); --keep leaves the last
# copy in place afterwards for a look inside. The output of the command goes
# to the terminal and to bare-<command>-<environment>.log in the current
# folder. The whole check
# holds /tmp/vtlx-build.lock, the machine's one-build-at-a-time lock. Needs
# root, debootstrap (only to make the pristine root) and the network to the
# Debian mirror.
set -euo pipefail

ref=HEAD
keep=0
envs=(caller clean)
tree=""
what=run
while [ $# -gt 0 ]; do
    case "$1" in
        --ref) ref="$2"; shift 2 ;;
        --keep) keep=1; shift ;;
        --env) [ "$2" = both ] && envs=(caller clean) || envs=("$2"); shift 2 ;;
        run|test) what="$1"; shift ;;
        -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) tree="$1"; shift ;;
    esac
done
[ -n "$tree" ] || tree="$(cd "$(dirname "$0")/.." && pwd)"
tree="$(cd "$tree" && pwd)"
[ "$(id -u)" -eq 0 ] || { echo "bare-check: must run as root (debootstrap, mount, chroot)" >&2; exit 2; }

pristine="${VTLX_BARE_PRISTINE:-/var/tmp/vtlx-bare-pristine}"
root="${VTLX_BARE_ROOT:-/var/tmp/vtlx-bare-check}"
for e in "${envs[@]}"; do
    case "$e" in caller|clean) ;; *) echo "bare-check: --env takes both, caller or clean" >&2; exit 2 ;; esac
done

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

mounts=(proc sys dev dev/pts)
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
    [ "${1:-}" = last ] && [ "$keep" -eq 1 ] && return 0
    grep -q " $root/" /proc/mounts || rm -rf --one-file-system "$root"
}
trap 'cleanup last' EXIT

commit=$(git -C "$tree" rev-parse "$ref^{commit}")
failed=0
for env in "${envs[@]}"; do
    cleanup
    if grep -q " $root/" /proc/mounts; then
        echo "bare-check: something is still mounted under $root; unmount it first" >&2
        exit 2
    fi
    cp -a "$pristine" "$root"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    for m in "${mounts[@]}"; do
        mount --bind "/$m" "$root/$m"
    done

    # A clone, as CI and a new developer start from (the format check lists
    # the files through git); cloned from outside, so the root gets no git
    # but the one the scripts install.
    git clone -q --no-hardlinks "$tree" "$root/root/vtlx"
    git -C "$root/root/vtlx" checkout -q --detach "$commit"
    echo "bare-check: ${commit:0:10} of $tree in a fresh bare root, $env environment: bash scripts/$what.sh"
    if [ "$env" = clean ]; then
        shell=(/usr/bin/env -i HOME=/root TERM="${TERM:-dumb}"
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash)
    else
        shell=(/bin/bash)
    fi
    log="$PWD/bare-$what-$env.log"
    start=$(date +%s)
    set +e
    flock /tmp/vtlx-build.lock chroot "$root" "${shell[@]}" \
        -c "cd /root/vtlx && bash scripts/$what.sh" </dev/null 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    set -e
    secs=$(($(date +%s) - start))
    echo "bare-check: bash scripts/$what.sh, $env environment, exited $rc after $((secs / 60))m$((secs % 60))s (log: $log)"
    [ "$rc" -eq 0 ] || failed=1
done
exit "$failed"
