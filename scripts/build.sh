#!/usr/bin/env bash
# Builds the Linux module and tests (build/linux), the Windows DLL and its tests
# (build/windows, cross-built with mingw-w64) and a ThreadSanitizer build of the
# unit tests (build/tsan). The Linux build runs the other two builds' tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/windows
if [ "${KORVO_SKIP_TSAN:-0}" != 1 ]; then
    cmake -S . -B build/tsan -G Ninja -DKORVO_SANITIZE=thread >/dev/null
    cmake --build build/tsan --target korvo_unit_tests
    tsan_dir="$root/build/tsan"
else
    tsan_dir=""
fi
cmake -S . -B build/linux -G Ninja -DKORVO_WINDOWS_BUILD_DIR="$root/build/windows" \
    -DKORVO_TSAN_BUILD_DIR="$tsan_dir" >/dev/null
cmake --build build/linux
