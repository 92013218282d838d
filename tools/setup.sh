#!/usr/bin/env bash
# Sets Quelvo up on a Debian 12 machine (as root) and builds it.
#   tools/setup.sh test           install what is missing, build, run every test (plain and sanitized)
#   tools/setup.sh run [options]  install what is missing, build, write sample files into
#                                 build/samples and start Quelvo on them (options go to Quelvo)
set -euo pipefail
cd "$(dirname "$0")/.."

# Tests render text, so a font is part of the base set.
packages=(cmake g++ make qtbase5-dev qttools5-dev qttools5-dev-tools libtiff-dev fonts-dejavu-core)

install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {  # build <dir> [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" "$@"
    cmake --build "$dir" -j"$(nproc)"
}

run_tests() {
    (cd "$1" && ctest --output-on-failure -j"$(nproc)")
}

case "${1:-}" in
test)
    install_missing
    build build
    run_tests build
    build build-sanitize -DQUELVO_SANITIZE=ON
    run_tests build-sanitize
    ;;
run)
    shift
    # A font with Japanese glyphs for the translated interface; Xvfb for machines without a display.
    install_missing fonts-noto-cjk xvfb xauth
    cmake -S . -B build
    cmake --build build -j"$(nproc)" --target quelvo make_samples
    build/tools/make_samples build/samples
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display (DISPLAY and WAYLAND_DISPLAY unset): starting Quelvo under xvfb-run, off screen."
        exec xvfb-run -a build/quelvo -d "$PWD/build/samples" "$@"
    fi
    exec build/quelvo -d "$PWD/build/samples" "$@"
    ;;
*)
    echo "usage: $0 test | run [quelvo options]" >&2
    exit 2
    ;;
esac
