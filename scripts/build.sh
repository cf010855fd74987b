#!/usr/bin/env bash
# Builds the Linux module and tests (build/linux), the 32-bit and 64-bit Windows
# DLLs and their tests (build/windows, build/windows-x64, cross-built with
# mingw-w64), and sanitizer builds of the tests (build/tsan, build/asan). The
# Linux build runs the other builds' tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DKORVO_BUILD_TESTS=ON >/dev/null
cmake --build build/windows
cmake -S . -B build/windows-x64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DKORVO_BUILD_TESTS=ON >/dev/null
cmake --build build/windows-x64
tsan_dir=""
asan_dir=""
if [ "${KORVO_SKIP_SANITIZERS:-0}" != 1 ]; then
    cmake -S . -B build/tsan -G Ninja -DKORVO_SANITIZE=thread -DKORVO_BUILD_TESTS=ON >/dev/null
    cmake --build build/tsan --target korvo_unit_tests
    tsan_dir="$root/build/tsan"
    cmake -S . -B build/asan -G Ninja -DKORVO_SANITIZE=address,undefined -DKORVO_BUILD_TESTS=ON >/dev/null
    cmake --build build/asan --target korvo_unit_tests korvo_integration_tests KorvoEQ korvo_vst3_tests KorvoEQ_vst3 \
        korvo_clap_tests KorvoEQ_clap korvo_lv2_tests KorvoEQ_lv2_bundle
    asan_dir="$root/build/asan"
fi
cmake -S . -B build/linux -G Ninja -DKORVO_BUILD_TESTS=ON -DKORVO_WINDOWS_BUILD_DIR="$root/build/windows" \
    -DKORVO_WINDOWS64_BUILD_DIR="$root/build/windows-x64" \
    -DKORVO_TSAN_BUILD_DIR="$tsan_dir" -DKORVO_ASAN_BUILD_DIR="$asan_dir" >/dev/null
cmake --build build/linux
