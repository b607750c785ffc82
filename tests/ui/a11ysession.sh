#!/bin/sh
# Runs a test program where a screen reader would meet it: on a virtual X
# display (the offscreen platform has no accessibility at all), in a private
# D-Bus session with the AT-SPI bus, with Qt's bridge switched on as if a
# screen reader were running. Usage: a11ysession.sh PROGRAM [ARGS...]
set -eu
launcher=/usr/libexec/at-spi-bus-launcher
for tool in xvfb-run dbus-run-session "$launcher"; do
    command -v "$tool" >/dev/null || { echo "a11ysession: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
# shellcheck disable=SC2016 # expanded by the inner shell
exec xvfb-run -a -s "-nolisten tcp" dbus-run-session -- sh -c '
    "$0" &
    bus=$!
    set +e
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$@"
    rc=$?
    kill "$bus" 2>/dev/null
    exit $rc' "$launcher" "$@"
