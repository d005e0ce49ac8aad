#!/usr/bin/env bash
# Runs a test of the window as a screen reader meets it (CLIENT; the tool's path is built into
# it) in a private X server on a free display and a private D-Bus session, with the desktop's
# accessibility bus (AT-SPI) up before the client starts. With --orca, also the window manager
# openbox and the screen reader Orca, speaking through speech-dispatcher to a null audio device
# and writing what it says, line by line, to the debug file named in ORCA_DEBUG_FILE.
# Everything it started is ended again, however the test ends.
#   accessbus.sh [--orca] CLIENT
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Inside the D-Bus session (the script runs itself there).
if [ "${1:-}" = "--in-session" ]; then
    shift
    orca="$1" client="$2" scratch="$3"
    children=()
    finish() {
        local status=$?
        # Orca may take its time over a SIGTERM, or ignore it while it shuts its speech down.
        for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
        for _ in $(seq 30); do
            local alive=0
            for pid in "${children[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
            [ "$alive" = 0 ] && break
            sleep 0.1
        done
        for pid in "${children[@]}"; do kill -9 "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
        if [ "$status" -ne 0 ] && [ -n "${ORCA_DEBUG_FILE:-}" ] && [ -s "$ORCA_DEBUG_FILE" ]; then
            echo "--- what Orca said (its debug file: ${ORCA_DEBUG_FILE}) ---"
            grep -a "SPEECH OUTPUT" "$ORCA_DEBUG_FILE" | tail -n 60 || true
        fi
    }
    trap finish EXIT

    # The accessibility bus and its registry, started and waited for here: started on demand by
    # the first client instead, they would count against that client's time under load.
    call() { dbus-send --session --print-reply --reply-timeout=60000 "$@" >/dev/null; }
    call --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        || { echo "FAIL: the accessibility bus did not start"; exit 1; }
    a11y="$(dbus-send --session --print-reply=literal --reply-timeout=60000 --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress | tr -d ' ')"
    dbus-send --bus="$a11y" --print-reply --reply-timeout=60000 --dest=org.a11y.atspi.Registry \
        /org/a11y/atspi/accessible/root org.freedesktop.DBus.Properties.Get \
        string:org.a11y.atspi.Accessible string:ChildCount >/dev/null \
        || { echo "FAIL: the accessibility registry did not start"; exit 1; }

    if [ "$orca" = 1 ]; then
        # A window manager gives windows the keyboard focus and activation Orca follows.
        openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
        children+=($!)
        # Speech to a null audio device, through the user's own speech-dispatcher settings.
        mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher"
        cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<EOF
AudioOutputMethod "libao"
AddModule "espeak-ng" "sd_espeak-ng" "/etc/speech-dispatcher/modules/espeak-ng.conf"
DefaultModule "espeak-ng"
LogDir "$scratch"
EOF
        echo "default_driver=null" >"$HOME/.libao"
        export ORCA_DEBUG_FILE="$scratch/orca-debug.out"
        # Orca's own interpreter, which has its modules, whatever python3 comes first on PATH.
        orca_python="$(sed -n '1s/^#! *//p' "$(command -v orca)")"
        $orca_python "$here/orcarun.py" "$(command -v orca)" "$ORCA_DEBUG_FILE" >"$scratch/orca.log" 2>&1 &
        children+=($!)
        # Orca is ready once it has started its speech and listens for its keys.
        for _ in $(seq 600); do
            grep -aq "SPEECH OUTPUT" "$ORCA_DEBUG_FILE" 2>/dev/null && break
            kill -0 "${children[-1]}" 2>/dev/null \
                || { cat "$scratch/orca.log"; tail -n 30 "$ORCA_DEBUG_FILE"; echo "FAIL: Orca did not start"; exit 1; }
            sleep 0.1
        done
        grep -aq "SPEECH OUTPUT" "$ORCA_DEBUG_FILE" \
            || { cat "$scratch/orca.log"; echo "FAIL: Orca did not get ready within 60 s"; exit 1; }
    fi
    "$client"
    exit
fi

orca=0
if [ "${1:-}" = "--orca" ]; then orca=1; shift; fi
client="$1"

required=(Xvfb dbus-run-session dbus-send setsid)
[ "$orca" = 1 ] && required+=(openbox orca speech-dispatcher)
for command in "${required[@]}"; do
    command -v "$command" >/dev/null \
        || { echo "FAIL: $command is missing (scripts/test installs it with the other test packages)"; exit 1; }
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

# Xvfb picks the first free display itself and tells its number once it is ready. It must not
# reset when its last client leaves (its default): the bus launcher's brief visit would then
# leave the server resetting just as the registry opens it ("Cannot open default display").
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in $(seq 600); do
    grep -q . "$scratch/display" 2>/dev/null && [ "$(wc -l <"$scratch/display")" -ge 1 ] && break
    kill -0 "$xvfb" 2>/dev/null || { cat "$scratch/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
    sleep 0.05
done
[ "$(wc -l <"$scratch/display")" -ge 1 ] || { echo "FAIL: Xvfb gave no display within 30 s"; exit 1; }

mkdir -m 700 "$scratch/runtime" "$scratch/home"
export DISPLAY=":$(head -n1 "$scratch/display")"
export XDG_RUNTIME_DIR="$scratch/runtime"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share"
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS QT_QPA_PLATFORM
# In a process group of its own, so that the bus daemons it starts end with it.
setsid dbus-run-session -- "$0" --in-session "$orca" "$client" "$scratch" &
session=$!
set +e
wait "$session"
status=$?
set -e
if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "FAIL: the X server ended during the test"; cat "$scratch/xvfb.log"
    [ "$status" -ne 0 ] || status=1
fi
exit "$status"
