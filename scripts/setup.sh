#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Quiet when
# everything is there already; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools libgl-dev libqt6opengl6-dev
    libqcustomplot-dev libqcustomplot2.1-qt6
    libgtest-dev googletest
    clang-format clang libclang-rt-14-dev
    xvfb xauth x11-utils xdotool socat
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
