#!/usr/bin/env bash
# Installs the build into a scratch root and, where dpkg is at hand, builds the Debian
# package and unpacks it into another; in both, the files must be where the desktop entry
# says, and the installed program must start offscreen and quit cleanly.
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

check_root() {
    local root="$1" entry="$1/usr/share/applications/durvex-config.desktop"
    [ -f "$entry" ] || { echo "no desktop entry in $root"; return 1; }
    local exec icon
    exec="$(sed -n 's/^Exec=//p' "$entry" | cut -d' ' -f1)"
    icon="$(sed -n 's/^Icon=//p' "$entry")"
    grep -q '^Type=Application$' "$entry"
    grep -q '^Name=' "$entry"
    grep -q '^Comment=' "$entry"
    grep -q '^Categories=.*;' "$entry"
    [ -x "$root/usr/bin/$exec" ] || { echo "Exec=$exec is not installed"; return 1; }
    local size
    for size in 16 32 48 64 128 256; do
        [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || { echo "no ${size}px icon $icon"; return 1; }
    done
    "$root/usr/bin/durvex-virtual-panel" --help | grep -q -- '--model'
    local out
    out="$(QT_QPA_PLATFORM=offscreen DURVEX_EXIT_AFTER_SHOW=1 timeout 20 "$root/usr/bin/$exec" 2>&1)"
    grep -q 'shown after' <<<"$out" || { echo "the installed program did not show its window: $out"; return 1; }
    echo "ok: $root"
}

DESTDIR="$scratch/destdir" cmake --install "$build" --prefix /usr >/dev/null
check_root "$scratch/destdir"

if command -v dpkg-deb >/dev/null 2>&1 && command -v cpack >/dev/null 2>&1; then
    (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
    deb="$(ls "$scratch"/package/*.deb)"
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6serialport6'
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6'
    dpkg-deb -x "$deb" "$scratch/unpacked"
    check_root "$scratch/unpacked"
fi
