#!/usr/bin/env bash
# Runs the accessibility bus test (tst_accessbus, given as CLIENT) against the tool in
# a private X server on a free display and a private D-Bus session, which starts the AT-SPI
# bus on demand. Everything it started is ended again, however the test ends.
#   accessbus.sh CLIENT (the tool's path is built into the client)
set -euo pipefail
client="$1"

for command in Xvfb dbus-run-session setsid; do
    command -v "$command" >/dev/null || { echo "FAIL: $command is missing (scripts/test installs xvfb, dbus and at-spi2-core)"; exit 1; }
done
[ -f /usr/share/dbus-1/services/org.a11y.Bus.service ] \
    || { echo "FAIL: the AT-SPI bus is missing (scripts/test installs at-spi2-core)"; exit 1; }

scratch="$(mktemp -d)"
xvfb="" session=""
cleanup() {
    [ -n "$session" ] && kill -- "-$session" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# Xvfb picks the first free display itself and tells its number once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
    [ -s "$scratch/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || { cat "$scratch/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
    sleep 0.05
done
[ -s "$scratch/display" ] || { echo "FAIL: Xvfb gave no display"; exit 1; }

mkdir -m 700 "$scratch/runtime"
export DISPLAY=":$(head -n1 "$scratch/display")"
export XDG_RUNTIME_DIR="$scratch/runtime"
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS QT_QPA_PLATFORM
# In a process group of its own, so that the bus daemons it starts end with it.
setsid dbus-run-session -- "$client" &
session=$!
set +e
wait "$session"
status=$?
set -e
exit "$status"
