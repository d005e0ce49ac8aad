#!/usr/bin/env bash
# Installs the build into a scratch root and, where dpkg is at hand, builds the Debian
# package and unpacks it into another; in both, the files must be where the desktop entry
# says, the file type and the metainfo must be valid, each manual page must list every
# option of its program's --help, the core must be one private library in one file, and the
# installed program must start offscreen, show its window and quit.
# The package itself must leave lintian without an error or a warning.
set -euo pipefail
build="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# Every option --help prints appears in the manual page.
check_manual() {
    local program="$1" page="$2" option text
    [ -s "$page" ] || fail "no manual page $page"
    # Read once: grep -q ends at its first match, and with pipefail the writer it left
    # behind would fail the check.
    text="$(zcat "$page" | sed 's/\\-/-/g')"
    for option in $("$program" --help | grep -oE -- '(^|[ ,])--[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "$(basename "$page") lacks $option"
    done
}

# The core is one private library that the program and the window's module find through
# their run paths in the installed tree, none of them holding a copy of it; the program and
# the core need no Qt GUI library, so the commands load none.
check_core() {
    local root="$1" private="$1/usr/lib/durvex-config"
    local core="$private/core/libdurvex-core.so" module="$private/modules/durvex-window.so" program="$1/usr/bin/durvex-config"
    [ -f "$core" ] || fail "no core library in $private/core"
    local binary found
    for binary in "$program" "$module"; do
        found="$(ldd "$binary" | awk '$1 == "libdurvex-core.so" { print $3 }')"
        [ -n "$found" ] && [ "$(readlink -f "$found")" = "$(readlink -f "$core")" ] \
            || fail "$(basename "$binary") does not find the installed core: ${found:-not found}"
        grep -q 'RUNPATH.*\[\$ORIGIN' <<<"$(readelf -d "$binary")" || fail "$(basename "$binary") has no run path from its folder"
    done
    ! ldd "$program" | grep -E 'libQt6(Gui|Widgets)' || fail "the program and its core load Qt GUI libraries"
    # Where the files keep their symbols (the package strips them): every global the core
    # defines is defined nowhere else.
    local copies
    defined() { { nm --defined-only "$1"; nm -D --defined-only "$1"; } 2>/dev/null | awk 'NF == 3 { print $2, $3 }'; }
    copies="$(LC_ALL=C comm -12 <(defined "$core" | awk '$1 ~ /^[TDBR]$/ { print $2 }' | LC_ALL=C sort -u) \
                       <({ defined "$program"; defined "$module"; } | awk '{ print $2 }' | LC_ALL=C sort -u))"
    [ -z "$copies" ] || fail "the core's symbols are defined twice: $(c++filt <<<"$copies" | head -n 5)"
}

check_root() {
    local root="$1" entry="$1/usr/share/applications/durvex-config.desktop"
    [ -f "$entry" ] || fail "no desktop entry in $root"
    local exec icon
    exec="$(sed -n 's/^Exec=//p' "$entry")"
    [ "$exec" = "durvex-config %f" ] || fail "Exec=$exec does not take a file"
    grep -q '^MimeType=application/x-durvex-zcf;$' "$entry" || fail "the desktop entry declares no file type"
    icon="$(sed -n 's/^Icon=//p' "$entry")"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        desktop-file-validate "$entry" || fail "desktop-file-validate"
    fi
    [ -x "$root/usr/bin/${exec%% *}" ] || fail "Exec=$exec is not installed"
    local size
    for size in 16 32 48 64 128 256; do
        [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] || fail "no ${size}px icon $icon"
    done
    [ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"

    local mime="$root/usr/share/mime/packages/durvex-config.xml"
    grep -q '<mime-type type="application/x-durvex-zcf">' "$mime" || fail "no file type"
    grep -q '<glob pattern="\*.zcf"/>' "$mime" || fail "the file type has no *.zcf"
    grep -q '<comment>DURVEX switch panel configuration</comment>' "$mime" || fail "the file type has no comment"
    if command -v update-mime-database >/dev/null 2>&1; then
        mkdir -p "$scratch/share"
        cp -r "$root/usr/share/mime" "$scratch/share/mime"
        XDG_DATA_DIRS="$scratch/share" update-mime-database "$scratch/share/mime" 2>&1 | { ! grep .; } \
            || fail "update-mime-database complains"
        grep -q '^application/x-durvex-zcf:\*\.zcf$' "$scratch/share/mime/globs" || fail "*.zcf is not application/x-durvex-zcf"
        rm -rf "$scratch/share"
    fi
    local metainfo="$root/usr/share/metainfo/invalid.durvex_config.durvex_config.metainfo.xml"
    [ -s "$metainfo" ] || fail "no metainfo"
    if command -v appstreamcli >/dev/null 2>&1; then
        appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate: $(appstreamcli validate --no-net "$metainfo")"
    fi
    [ -s "$root/usr/share/doc/durvex-config/copyright" ] || fail "no copyright file"
    [ -s "$root/usr/share/doc/durvex-config/changelog.gz" ] || fail "no changelog"
    local example
    for example in truck all-picked windows-1252; do
        "$root/usr/bin/durvex-config" check "$root/usr/share/doc/durvex-config/examples/$example.zcf" >/dev/null 2>&1 \
            || fail "the example $example.zcf is not installed, or check refuses it"
    done

    check_manual "$root/usr/bin/durvex-config" "$root/usr/share/man/man1/durvex-config.1.gz"
    check_manual "$root/usr/bin/durvex-virtual-panel" "$root/usr/share/man/man1/durvex-virtual-panel.1.gz"
    "$root/usr/bin/durvex-virtual-panel" --version | grep -q '^durvex-virtual-panel [0-9]' || fail "virtual panel --version"
    check_core "$root"
    local out
    out="$(QT_QPA_PLATFORM=offscreen DURVEX_EXIT_AFTER_SHOW=1 timeout 20 "$root/usr/bin/durvex-config" 2>&1)"
    grep -q 'shown after' <<<"$out" || fail "the installed program did not show its window: $out"
    echo "ok: $root"
}

DESTDIR="$scratch/destdir" cmake --install "$build" --prefix /usr >/dev/null
check_root "$scratch/destdir"

if command -v dpkg-deb >/dev/null 2>&1 && command -v cpack >/dev/null 2>&1; then
    (cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
    deb="$(ls "$scratch"/package/*.deb)"
    depends="$(dpkg-deb -f "$deb" Depends)"
    for library in libqt6serialport6 libqt6widgets6 libqt6core6 libc6 libstdc++6 libgcc-s1; do
        grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
    done
    grep -q 'libqt6core6 (>= 6\.[4-9]' <<<"$depends" || fail "Depends does not ask for the Qt it was built with: $depends"
    [ -n "$(dpkg-deb -f "$deb" Description | sed -n '2p')" ] || fail "no extended description"
    dpkg-deb -x "$deb" "$scratch/unpacked"
    check_root "$scratch/unpacked"
    if command -v lintian >/dev/null 2>&1; then
        report="$(lintian --fail-on none "$deb" 2>&1)"
        if grep -E '^(E|W): ' <<<"$report"; then
            fail "lintian reports errors or warnings"
        fi
        echo "ok: lintian"
    else
        echo "SKIP: lintian is not installed; scripts/test installs it on Debian"
    fi
fi
