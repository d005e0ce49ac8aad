# Shared by scripts/run, scripts/test and scripts/package: installs what a fresh Debian 12
# machine misses, then configures and builds. Source it; do not run it.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

debian_packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev
                 fonts-liberation fonts-dejavu-core)

# What the test suite needs beyond the build: a private X server and D-Bus session with the
# desktop's accessibility bus (AT-SPI), a small window manager, and the screen reader with its
# speech server, for the tests of the window through a screen reader's eyes and ears.
test_packages=(xvfb dbus at-spi2-core openbox orca speech-dispatcher speech-dispatcher-espeak-ng)

install_missing() {
    command -v dpkg-query >/dev/null 2>&1 || { echo "Not a Debian system: install Qt 6 (Widgets, SerialPort), CMake and a C++20 compiler yourself." >&2; return 0; }
    local missing=() p
    for p in "${debian_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}" >&2
    $sudo apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build BUILD_DIR [cmake options...] [--target TARGET...]
configure_and_build() {
    local dir="$1"; shift
    local options=() targets=()
    while [ $# -gt 0 ]; do
        if [ "$1" = "--target" ]; then shift; targets=("$@"); break; fi
        options+=("$1"); shift
    done
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
    fi
    # The build's own output goes to standard error: standard output is the tool's, and with
    # --json or -o - it carries nothing else.
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >&2
    else
        cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)" >&2
    fi
}
