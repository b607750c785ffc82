#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, a bare one
# included. Quiet when everything is there already; uses sudo when not run
# as root. `setup.sh --list` prints the package list, one a line, and installs
# nothing (scripts/check-packages.sh reads it).
set -euo pipefail

packages=(
    # compilers and build
    build-essential cmake pkg-config
    # Qt 6; the form loader's CMake files need the OpenGL ones
    qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools libgl-dev libqt6opengl6-dev
    libqcustomplot-dev libqcustomplot2.1-qt6
    libgtest-dev googletest
    # format check (over git's file list), sanitizer and fuzz builds
    git clang-format clang libclang-rt-14-dev
    # headless start: virtual display, window lookup, screenshot
    xvfb xauth x11-utils xdotool socat imagemagick
    # the status line's announcement test: a session bus and the screen-reader bus
    at-spi2-core dbus-daemon
    # the flake hunt's processor load
    stress-ng
    # the Debian package: icons, shared-library depends, and its three checks
    desktop-file-utils appstream lintian librsvg2-bin dpkg-dev file
    # the monitor: MQTT client and service notification; a broker and its
    # clients for the end-to-end tests; the unit's check
    libmosquitto-dev libsystemd-dev mosquitto mosquitto-clients systemd
)

if [ "${1:-}" = "--list" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "setup: needs to install ${missing[*]}: run it as root or install sudo" >&2
        exit 1
    }
    sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
