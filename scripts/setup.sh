#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Korvo-EQ:
# the native toolchain (with LV2's headers), mingw-w64 for the 32-bit and
# 64-bit Windows modules, 32-bit and 64-bit Wine (with Xvfb) to run the Windows
# tests, lilv's tools and LV2's validator for the LV2 tests, and NSIS, dpkg's
# tools and lintian to make and check the installers and the Debian package.
# With --native, only what the Linux modules and korvo need, and lilv's tools
# (lv2apply, lv2info) for the README's LV2 examples (the run command);
# with --package, that, mingw-w64, Wine (the Windows bundles' moduleinfo.json
# is written by asking the module just built), NSIS (makensis) and dpkg-dev
# (dpkg-shlibdeps, for the Debian package's Depends): what scripts/package.sh
# builds with. Safe to run again:
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
packaging=(nsis dpkg-dev file unzip)
case "$mode" in
--native) packages+=(lilv-utils) ;;
--package) packages+=("${mingw[@]}" wine wine32:i386 wine64 "${packaging[@]}") ;;
"")
  packages+=(
    libgtest-dev libgmock-dev googletest libbenchmark-dev libxtst-dev python3
    "${mingw[@]}"
    wine wine32:i386 wine64 xvfb xauth util-linux sox libsox-fmt-base
    ardour lilv-utils sordi liblilv-dev
    "${packaging[@]}" lintian
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
