#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds into build/, then runs the launcher or every test.
#   scripts/dev.sh run    build and start the launcher
#   scripts/dev.sh test   check the layer order of the includes, build and run every test (ctest)
#   scripts/dev.sh build  only install and build
#   scripts/dev.sh soak [minutes]  build the launcher and soak it (scripts/soak.sh; default 10 minutes)
#   scripts/dev.sh sanitize        build with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer
#                                  in build-asan/ and run every test there; any sanitizer report fails
#   scripts/dev.sh fuzz [seconds]  build the libFuzzer targets (clang) in build-fuzz/ and run each for the
#                                  given seconds (default 60); any crash, leak, timeout or OOM fails
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-svg-dev libsqlite3-dev libsdl2-dev liblnk-dev
    libx11-dev libxi-dev libxcb1-dev libxcb-shm0-dev libxcb-keysyms1-dev libglib2.0-dev
    fonts-dejavu-core
    xvfb xauth x11-utils x11-xserver-utils xdotool trayer imagemagick xcompmgr openbox dbus weston xwayland
    desktop-file-utils appstream dpkg-dev file ccache
    gdb sqlite3 zlib1g-dev
)
# The fuzz targets need clang and its libFuzzer runtime (libclang_rt.fuzzer).
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
FUZZ_TARGETS=(picture shortcut storedvalue desktopentry)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}" "$@"; do
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

# Repeated reliability builds compile unchanged files from ccache.
CCACHE=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

sanitize() {
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_SANITIZE=ON "${CCACHE[@]}" >/dev/null
    cmake --build build-asan -j"$(nproc)"
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
}

# Runs each fuzz target for the given seconds on its seeds (tests/fuzz/seeds/<name>, and the program's
# own pictures for the picture target) and the inputs it found before (build-fuzz/fuzz-corpus/<name>,
# where new ones go); a failing input is kept as build-fuzz/fuzz-artifacts/<name>-crash-... (or leak-,
# timeout-, oom-).
fuzz() {
    local seconds=$1 failed=()
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTESSARO_FUZZ=ON \
        "${CCACHE[@]}" >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target fuzz
    mkdir -p build-fuzz/fuzz-artifacts
    for name in "${FUZZ_TARGETS[@]}"; do
        mkdir -p "build-fuzz/fuzz-corpus/$name"
        echo "== fuzz_$name: $seconds s"
        # ASan holds freed memory back (256 MB by default) to catch late uses; that would count
        # against the fuzzer's own memory limit, so a smaller quarantine is kept. Every single
        # allocation is held to 256 MB. The picture target's whole process may use more: its
        # pictures of up to 64 MiB leave memory in ASan's allocator after they are freed, which
        # lifts the resident size past 256 MB within a minute while the live heap stays under 100 MB.
        local rss_limit=256 seeds=("tests/fuzz/seeds/$name")
        [ "$name" = picture ] && rss_limit=512 && seeds+=(resources/images resources/desktop)
        if ! ASAN_OPTIONS="quarantine_size_mb=32" LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0" \
            UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
            "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb="$rss_limit" -timeout=1 \
            -malloc_limit_mb=256 -print_final_stats=1 -artifact_prefix="build-fuzz/fuzz-artifacts/$name-" \
            "build-fuzz/fuzz-corpus/$name" "${seeds[@]}" 2>"build-fuzz/fuzz-$name.log"; then
            tail -n 60 "build-fuzz/fuzz-$name.log" >&2
            failed+=("$name")
        else
            grep -E '^(Done|stat::number_of_executed_units)' "build-fuzz/fuzz-$name.log" || true
        fi
    done
    if [ ${#failed[@]} -gt 0 ]; then
        echo "Fuzzing failed: ${failed[*]} (inputs in build-fuzz/fuzz-artifacts)" >&2
        return 1
    fi
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
sanitize)
    install_missing
    scripts/check-layers.sh
    sanitize
    ;;
fuzz)
    install_missing "${FUZZ_PACKAGES[@]}"
    fuzz "${2:-60}"
    ;;
*)
    echo "usage: scripts/dev.sh run|test|build|soak [minutes]|sanitize|fuzz [seconds]" >&2
    exit 2
    ;;
esac
