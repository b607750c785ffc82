#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated sensor as COM1 and
# then the program. Without a display the program runs on a virtual one
# (Xvfb): start-up is left to finish, a screenshot of the main window is
# saved and printed, and the program is ended cleanly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
command -v import >/dev/null || {
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
}
bash scripts/build.sh build

sim=build/sim/vortelix-sensorsim
program=build/src/vortelix-riror
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT

"$sim" --com 1 --eeprom build/sensor-eeprom.txt &
pids+=($!)
sleep 0.5

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$program"
    exit $?
fi

echo "run: no display here; running on a virtual display"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY="$display" "$program" &
prog=$!
window=$(DISPLAY="$display" timeout 20 xdotool search --sync --onlyvisible --name "VORTELIX-Riror" | head -n 1)
sleep 1.5
shot="$PWD/build/vortelix-riror-main-window.png"
DISPLAY="$display" import -window "$window" "$shot"
echo "run: screenshot of the main window: $shot"
kill -TERM "$prog"
status=0
wait "$prog" || status=$?
echo "run: the program ended with $status"
exit "$status"
