#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Korvo-EQ:
# the native toolchain (with LV2's headers), mingw-w64 for the 32-bit and
# 64-bit Windows modules, 32-bit and 64-bit Wine (with Xvfb) to run the Windows
# tests, and lilv's tools and LV2's validator for the LV2 tests. With --native,
# only what the Linux module and korvo need (the run command); with --package,
# that, mingw-w64 and Wine (what scripts/package.sh builds with: the Windows
# bundles' moduleinfo.json is written by asking the module just built). Safe to run again:
# it installs only what is missing.
#   setup.sh [--native | --package]
set -euo pipefail

mode="${1:-}"
packages=(
  build-essential cmake ninja-build pkg-config
  libsndfile1-dev libfftw3-dev libpng-dev libx11-dev lv2-dev
)
mingw=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
)
case "$mode" in
--native) ;;
--package) packages+=("${mingw[@]}" wine wine32:i386 wine64) ;;
"")
  packages+=(
    libgtest-dev libgmock-dev googletest libbenchmark-dev libxtst-dev python3
    "${mingw[@]}"
    wine wine32:i386 wine64 xvfb xauth util-linux sox libsox-fmt-base unzip
    ardour lilv-utils sordi liblilv-dev
  )
  ;;
*)
  echo "usage: setup.sh [--native | --package]" >&2
  exit 2
  ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ "$mode" != --native ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# Another apt or dpkg run (an unattended upgrade, say) may hold the lock: wait for it.
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
