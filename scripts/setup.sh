#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing else.
# As root: one 'apt-get update', then 'apt-get install -y' of what is missing.
# Otherwise: prints the exact apt line and fails.
# Usage: scripts/setup.sh build|package|test
set -euo pipefail

build_packages=(g++ cmake make pkg-config libfftw3-dev libpng-dev zlib1g-dev
                libcli11-dev libsndfile1-dev libsamplerate0-dev libcairo2-dev libx11-dev fonts-liberation
                lv2-dev libjack-jackd2-dev)
package_packages=(dpkg-dev lintian)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev binutils clang libclang-rt-14-dev xvfb libxtst-dev
               liblilv-dev lilv-utils sordi jackd2 espeak-ng)

case "${1:-build}" in
    build) wanted=("${build_packages[@]}") ;;
    package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
    test) wanted=("${build_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: $0 build|package|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    [[ "$status" == ii* ]] || missing+=("$package")
done

[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q "${missing[@]}"
