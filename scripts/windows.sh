# Shared by scripts/test --windows and scripts/package --windows; source it after setup.sh.
# The Windows build is cross-compiled here with MinGW-w64 against a Qt for Windows kept in
# .cache/windows/, and run under Wine.

windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 nsis xvfb)
windows_cache="$root/.cache/windows"
windows_qt="$windows_cache/qt6-mingw"
windows_qt_archive_name=qt6-mingw-6.4.2.tar.xz
# The MinGW runtime every program needs beside it.
windows_runtime=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll
                 /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll
                 /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll)

# The prebuilt Qt for Windows: DURVEX_WINDOWS_QT_ARCHIVE, or the shared folder beside the
# project's checkout.
windows_qt_archive() {
    local candidate
    for candidate in "${DURVEX_WINDOWS_QT_ARCHIVE:-}" "$root/../shared/windows/$windows_qt_archive_name" \
                     "$root/../../shared/windows/$windows_qt_archive_name"; do
        [ -n "$candidate" ] && [ -f "$candidate" ] && { echo "$candidate"; return 0; }
    done
    return 1
}

# Unpacks the Qt for Windows into the cache once; without the prebuilt archive, builds it
# there from Debian's source packages (scripts/build-windows-qt, about 40 minutes).
windows_qt_ready() {
    [ -f "$windows_qt/lib/cmake/Qt6/Qt6Config.cmake" ] && return 0
    local archive
    if ! archive="$(windows_qt_archive)"; then
        echo "No $windows_qt_archive_name in ../shared/windows/ nor in DURVEX_WINDOWS_QT_ARCHIVE:" \
             "building Qt for Windows from Debian's sources, about 40 minutes on 2 cores" >&2
        "$root/scripts/build-windows-qt"
        return
    fi
    mkdir -p "$windows_cache"
    tar -C "$windows_cache" -xJf "$archive"
}

# configure_windows BUILD_DIR [cmake options...]: the cross build, with Wine to run what it builds.
configure_windows() {
    local dir="$1"; shift
    [ -f "$dir/build.ninja" ] && return 0
    QT_MINGW_PREFIX="$windows_qt" cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-toolchain.cmake" -DCMAKE_PREFIX_PATH="$windows_qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine "$@" >/dev/null
}

# build_windows BUILD_DIR TARGET...
build_windows() {
    local dir="$1"; shift
    QT_MINGW_PREFIX="$windows_qt" nice -n "${DURVEX_NICE:-0}" \
        cmake --build "$dir" --parallel "${DURVEX_JOBS:-$(nproc 2>/dev/null || echo 2)}" --target "$@" >&2
}

# Windows paths to what the programs load: the core's DLL, which the tests find there (the
# programs have it beside them), Qt's libraries and the MinGW runtime.
windows_path() {
    echo "Z:$root/build-windows/src;Z:$windows_qt/bin;Z:/usr/lib/gcc/x86_64-w64-mingw32/12-posix;Z:/usr/x86_64-w64-mingw32/lib"
}

# Starts a fresh Wine prefix, its server kept up, under a private X server: sets WINEPREFIX,
# DISPLAY and the rest for what follows. wine_stop ends them.
wine_start() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    export WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/durvex-wine.XXXXXX")"
    export WINEPATH="$(windows_path)"
    export QT_PLUGIN_PATH="Z:$windows_qt/plugins"
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    wine_xvfb=$!
    export DISPLAY=":$n"
    # The server first and kept up, so that each program after does not start one of its own.
    wineserver -p >/dev/null 2>&1
    wine wineboot -i >/dev/null 2>&1 || true # no 32-bit Wine: its part of the prefix fails, unused
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${wine_xvfb:-}" ] && kill "$wine_xvfb" 2>/dev/null || true
    case "$WINEPREFIX" in */durvex-wine.*) rm -rf "$WINEPREFIX" ;; esac
}
