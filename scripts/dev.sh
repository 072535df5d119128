#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds into build/, then runs the launcher or every test.
#   scripts/dev.sh run    build and start the launcher
#   scripts/dev.sh test   check the layer order of the includes, build and run every test (ctest)
#   scripts/dev.sh build  only install and build
#   scripts/dev.sh soak [minutes]  build the launcher and soak it (scripts/soak.sh; default 10 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-svg-dev libsqlite3-dev libsdl2-dev liblnk-dev
    libx11-dev libxi-dev libxcb1-dev libxcb-keysyms1-dev libglib2.0-dev
    fonts-dejavu-core
    xvfb xauth x11-utils x11-xserver-utils xdotool trayer imagemagick xcompmgr openbox dbus weston xwayland
    desktop-file-utils appstream dpkg-dev file
    gdb sqlite3 zlib1g-dev
)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display here: Tessaro needs a desktop session; run 'scripts/screenshots.sh' to see it under Xvfb instead." >&2
        exit 1
    fi
    exec build/tessaro
    ;;
test)
    install_missing
    scripts/check-layers.sh
    build
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
build)
    install_missing
    build
    ;;
soak)
    install_missing
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)" --target tessaro
    exec scripts/soak.sh "${2:-10}"
    ;;
*)
    echo "usage: scripts/dev.sh run|test|build|soak [minutes]" >&2
    exit 2
    ;;
esac
