#!/usr/bin/env bash
# The Windows tool under Wine against virtual panels that run here natively, each on a
# pseudo-terminal that a COM port of the Wine prefix leads to. Every result is checked from
# this side: the exit codes, the panels' memory against what the Linux tool writes into a
# panel of its own, the files read against the Linux tool's.
#   comport_test.sh WINDOWS_TOOL LINUX_TOOL VIRTUAL_PANEL     (in a prefix wine_start made)
set -uo pipefail
tool=$1 linux_tool=$2 panel_bin=$3
work="$(mktemp -d)"
panels=()
failures=0
cleanup() {
    local p
    for p in "${panels[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# start_panel NAME COM_PORT [panel options...]: a panel with its memory and wire log in NAME.*
start_panel() {
    local name=$1 com=$2; shift 2
    "$panel_bin" --quiet --link "$work/$name.tty" --memory "$work/$name.mem" --log "$work/$name.log" "$@" \
        >/dev/null 2>&1 &
    local pid=$!
    panels+=($pid)
    # The panel makes its link once its terminal is raw; a loaded machine may take seconds to
    # start it. A panel that ended instead is said at once.
    local i
    for i in $(seq 1200); do
        [ -e "$work/$name.tty" ] && break
        kill -0 $pid 2>/dev/null || { echo "FAIL   the panel $name ended before it made its link"; exit 1; }
        sleep 0.05
    done
    [ -e "$work/$name.tty" ] || { echo "FAIL   the panel $name made no link within a minute"; exit 1; }
    if [ -n "$com" ]; then
        ln -sfn "$(readlink -f "$work/$name.tty")" "$WINEPREFIX/dosdevices/${com,,}"
    fi
}

check() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" = "$actual" ]; then
        echo "PASS   $what"
    else
        echo "FAIL   $what: expected $expected, got $actual"
        failures=$((failures + 1))
    fi
}

# wine_tool ARGS...: the Windows tool's exit code; its output in out.txt and err.txt.
wine_tool() {
    local started=$(date +%s%N)
    # A tool that never ends fails here (exit 124) instead of holding the run up.
    timeout 300 wine "$tool" "$@" >out.txt 2>err.txt
    local code=$?
    echo "       wine durvex-config.exe $*: exit $code in $(( ($(date +%s%N) - started) / 1000000 )) ms" >&2
    return $code
}

printf '%s' '"00-00531-MDL or 00-00537-MDL","TRUCK 12","HORN",0,"WIPERS",11,"BEACON",29,"DESIGNATION ",160,"DESIGNATION ",160,"DESIGNATION ",160,"HORN ON",0,"WIPERS ON",12,"BEACON ON",30,"DESIGNATION ",160,"DESIGNATION ",160,"DESIGNATION ",160,"BACKLIGHT",159,"DIMMING",158,"NORMAL INDICATOR (%)",10,"NORMAL BACKLIGHTING (%)",6,"DIMMED BACKLIGHTING AND INDICATOR (%)",1' > truck.zcf
printf '\r\n' >> truck.zcf

start_panel windows COM5
start_panel linux ""
start_panel fresh COM6
# COM ports the system shows only once the server has seen the links.
wineserver -k >/dev/null 2>&1; wineserver -p >/dev/null 2>&1 || true

wine_tool write truck.zcf --port COM5; check "write through COM5" 0 $?
"$linux_tool" write truck.zcf --port "$work/linux.tty" >linux-out.txt 2>&1
code=$?
[ $code -eq 0 ] || cat linux-out.txt
check "write by the Linux tool" 0 $code
check "the panel's memory as the Linux tool leaves it" "$(od -An -tx1 linux.mem)" "$(od -An -tx1 windows.mem)"
# Past the attention handshake, whose count of "A"s depends on timing, the same bytes came.
wire() { perl -0777 -pe 's/^A+//' "$1" | od -An -tx1; }
check "the wire log past the handshake as the Linux tool's" "$(wire linux.log)" "$(wire windows.log)"

wine_tool verify truck.zcf --port COM5; check "verify through COM5" 0 $?
wine_tool verify truck.zcf --port COM6; check "verify of a fresh panel: differs" 3 $?
# A name outside the Western code page reaches the tool whole only through the wide command line.
cp truck.zcf "Λάδι 12.zcf"
wine_tool verify "Λάδι 12.zcf" --port COM5; check "verify of a file with a Greek name" 0 $?

wine_tool read --name "TRUCK 12" -o read-windows.zcf --port COM5; check "read through COM5" 0 $?
"$linux_tool" read --name "TRUCK 12" -o read-linux.zcf --port "$work/linux.tty" >/dev/null 2>&1
check "read: the file as the Linux tool reads it" "$(od -An -tx1 read-linux.zcf)" "$(od -An -tx1 read-windows.zcf 2>/dev/null)"

wine_tool verify truck.zcf --port COM9; check "a COM port that is not there" 1 $?
check "its advice" 1 "$(grep -c 'COM9 NOT FOUND' err.txt out.txt | awk -F: '{s+=$2} END {print (s>0)}')"

[ $failures -eq 0 ] && echo "COM port tests: all passed" || echo "COM port tests: $failures failed"
exit $((failures > 0))
