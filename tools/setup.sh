#!/usr/bin/env bash
# Sets Quelvo up on a Debian 12 machine (as root) and builds it.
#   tools/setup.sh test   install what is missing, build, run every test (plain and sanitized)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make qtbase5-dev qttools5-dev-tools libtiff-dev)

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
*)
    echo "usage: $0 test" >&2
    exit 2
    ;;
esac
