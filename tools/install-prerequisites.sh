#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine lacks.
# Needs root (as on the project's machines); does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ binutils file               # native build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix  # Windows builds
  googletest                                        # test framework, built per target from source
  wine64 xvfb xauth                                 # Windows tests under Wine, with a display
  libcurl4-openssl-dev openssl python3 tinyproxy    # HTTP(S) transport, local test services
  libssl-dev                                        # the cipher benchmark compares with OpenSSL
  clang libclang-rt-14-dev                          # libFuzzer for the fuzz targets
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
