#!/usr/bin/env bash
# Makes the release archives in build/packages/ from the builds in build/linux,
# build/windows and build/windows-x64 (configured here when missing, without
# the tests, and brought up to date), after installing what that needs
# (scripts/setup.sh --package: the native toolchain, mingw-w64 and Wine):
#   KorvoEQ-<version>-linux-x86_64.tar.gz   bin/korvo, lib/vst/KorvoEQ.so,
#                                           lib/vst3/KorvoEQ.vst3/, lib/clap/KorvoEQ.clap,
#                                           lib/lv2/KorvoEQ.lv2/, README.txt
#   KorvoEQ-<version>-windows-x86.zip       the 32-bit KorvoEQ.dll, KorvoEQ.vst3/ and KorvoEQ.clap, README.txt
#   KorvoEQ-<version>-windows-x64.zip       the 64-bit KorvoEQ.dll, KorvoEQ.vst3/ and KorvoEQ.clap, README.txt
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out="$root/build/packages"

bash scripts/setup.sh --package

configure() {
    local dir="$1"
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -G Ninja -DKORVO_BUILD_TESTS=OFF "$@" >/dev/null
    fi
}
configure build/linux
configure build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure build/windows-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build/linux --target KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap KorvoEQ_lv2_bundle korvo korvo_readme
cmake --build build/windows --target KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap
cmake --build build/windows-x64 --target KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap

rm -rf "$out"
mkdir -p "$out"
for dir in build/linux build/windows build/windows-x64; do
    (cd "$dir" && cpack -B "$out" >/dev/null)
done
rm -rf "$out/_CPack_Packages"
for archive in "$out"/*; do
    echo "$archive"
done
