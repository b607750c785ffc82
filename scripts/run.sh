#!/usr/bin/env bash
# Installs what is missing, builds the program and the simulated sensor (and
# nothing else, so the first start does not wait for the test suites),
# starts the simulated sensor as COM1 and then the program. Without a display
# the program runs on a virtual one (Xvfb): start-up is left to finish, a
# screenshot of the main window is saved and printed, and the program is
# ended cleanly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vortelix-riror vortelix-sensorsim

sim=build/sim/vortelix-sensorsim
program=build/src/vortelix-riror
pids=()
runtime=""
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -z "$runtime" ] || rm -rf "$runtime"
}
trap cleanup EXIT

# The simulator links COM1 into the port folder under XDG_RUNTIME_DIR and the
# program looks for it there, so both run with the same one. Where the session
# has none (a console, ssh, a container), a private one is made for this run:
# mktemp gives a fresh folder of mode 0700 owned by the user, as Qt and the
# port folder both require.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    runtime=$(mktemp -d "${TMPDIR:-/tmp}/vortelix-runtime-XXXXXX")
    export XDG_RUNTIME_DIR="$runtime"
fi

"$sim" --com 1 --eeprom build/sensor-eeprom.txt &
pids+=($!)
for _ in $(seq 50); do
    [ -L "$XDG_RUNTIME_DIR/vortelix-ports/com1" ] && break
    kill -0 "${pids[0]}" 2>/dev/null || { echo "run: the simulated sensor did not start" >&2; exit 1; }
    sleep 0.1
done

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    status=0
    "$program" || status=$?
    exit "$status"
fi

echo "run: no display here; running on a virtual display"
# Xvfb picks a free display number itself and writes it to fd 3 once it
# accepts clients. What it says (keymap compiler notes) goes to a log.
rm -f build/xvfb.display
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>build/xvfb.display >build/xvfb.log 2>&1 &
pids+=($!)
number=""
for _ in $(seq 200); do
    number=$(tr -dc 0-9 <build/xvfb.display)
    [ -n "$number" ] && break
    kill -0 "${pids[1]}" 2>/dev/null || break
    sleep 0.1
done
[ -n "$number" ] || { echo "run: Xvfb did not start (see build/xvfb.log)" >&2; exit 1; }
export DISPLAY=":$number"
"$program" &
prog=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "VORTELIX-Riror" | head -n 1 || true)
[ -n "$window" ] || { echo "run: the main window did not appear within 20 s" >&2; exit 1; }
sleep 1.5
shot="$PWD/build/vortelix-riror-main-window.png"
import -window "$window" "$shot"
echo "run: screenshot of the main window: $shot"
kill -TERM "$prog"
status=0
wait "$prog" || status=$?
echo "run: the program ended with $status"
exit "$status"
