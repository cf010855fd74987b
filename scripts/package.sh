#!/usr/bin/env bash
# Makes the release packages in build/packages/ from the builds in build/linux,
# build/windows and build/windows-x64 (configured here when missing, without
# the tests, and brought up to date), after installing what that needs
# (scripts/setup.sh --package: the native toolchain, mingw-w64, Wine, NSIS and
# dpkg's tools):
#   KorvoEQ-<version>-linux-x86_64.tar.gz   bin/korvo, lib/vst/KorvoEQ.so, lib/vst/KorvoEQ-presets/,
#                                           lib/vst3/KorvoEQ.vst3/, lib/clap/KorvoEQ.clap,
#                                           lib/lv2/KorvoEQ.lv2/, share/vst3/presets/Vardle/Korvo-EQ/,
#                                           install.sh, README.txt
#   korvo-eq_<version>_amd64.deb            the same under /usr, for apt (packaging/make-deb.sh)
#   KorvoEQ-<version>-windows-x86.zip       the 32-bit KorvoEQ.dll, KorvoEQ.vst3/ and KorvoEQ.clap,
#                                           KorvoEQ-presets/, VST3 Presets/Vardle/Korvo-EQ/, README.txt
#   KorvoEQ-<version>-windows-x64.zip       the same, 64-bit
#   KorvoEQ-<version>-windows-x86-setup.exe the zip's modules in an installer (NSIS), 32-bit
#   KorvoEQ-<version>-windows-x64-setup.exe the same, 64-bit
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
# The factory presets' files come from the Linux build (a cross build cannot
# run their writer); the Windows builds install them from there.
presets="$root/build/linux/presets"
for dir in build/windows build/windows-x64; do
    grep -qxF "KORVO_FACTORY_PRESETS_DIR:PATH=$presets" "$dir/CMakeCache.txt" ||
        cmake -S . -B "$dir" -DKORVO_FACTORY_PRESETS_DIR:PATH="$presets" >/dev/null
done
# `all` of the Linux build holds what its install rules take (the modules,
# korvo, the read-me, and whatever else a rule installs).
cmake --build build/linux
cmake --build build/windows --target KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap
cmake --build build/windows-x64 --target KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap

rm -rf "$out"
mkdir -p "$out"
for dir in build/linux build/windows build/windows-x64; do
    (cd "$dir" && cpack -B "$out" >/dev/null)
done
bash packaging/make-deb.sh build/linux "$out" >/dev/null
rm -rf "$out/_CPack_Packages"

# The installers carry the zips' files, unpacked.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux/CMakeCache.txt)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for width in x86 x64; do
    name="KorvoEQ-$version-windows-$width"
    unzip -q "$out/$name.zip" -d "$stage"
    makensis -V2 -DVERSION="$version" -DWIDTH="$width" -DSOURCE="$stage/$name" \
        -DOUTFILE="$out/$name-setup.exe" packaging/KorvoEQ.nsi >/dev/null
done
for package in "$out"/*; do
    echo "$package"
done
