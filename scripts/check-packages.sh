#!/usr/bin/env bash
# Makes the release archives and checks each: it holds the very module the
# tests ran on (and korvo), its read-me names the version, and the unpacked
# module loads in a host: korvo from the Linux archive finds its own module
# from any directory, and each Windows module passes the integration tests
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
here="$root/scripts"

fail() { echo "check-packages: $*" >&2; exit 1; }

bash scripts/package.sh >/dev/null
version=$(build/linux/korvo --version | awk '{print $2}')
[ -n "$version" ] || fail "korvo --version names no version"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT

linux="KorvoEQ-$version-linux-x86_64"
[ -f "build/packages/$linux.tar.gz" ] || fail "no build/packages/$linux.tar.gz"
tar -xzf "build/packages/$linux.tar.gz" -C "$unpacked"
cmp "$unpacked/$linux/lib/vst/KorvoEQ.so" build/linux/KorvoEQ.so || fail "$linux holds another module"
cmp "$unpacked/$linux/bin/korvo" build/linux/korvo || fail "$linux holds another korvo"
grep -q "Korvo-EQ $version" "$unpacked/$linux/README.txt" || fail "$linux: README.txt does not name $version"
info=$(cd / && "$unpacked/$linux/bin/korvo" info) || fail "the unpacked korvo could not host its module"
grep -q "effect: *Korvo-EQ" <<<"$info" || fail "the unpacked korvo found no Korvo-EQ: $info"
echo "$linux.tar.gz: the tested module and korvo; korvo hosts the unpacked module"

for pair in "windows-x86 build/windows" "windows-x64 build/windows-x64"; do
    set -- $pair
    name="KorvoEQ-$version-$1"
    build="$2"
    [ -f "build/packages/$name.zip" ] || fail "no build/packages/$name.zip"
    unzip -q "build/packages/$name.zip" -d "$unpacked"
    cmp "$unpacked/$name/KorvoEQ.dll" "$build/KorvoEQ.dll" || fail "$name holds another module"
    grep -q "Korvo-EQ $version" "$unpacked/$name/README.txt" || fail "$name: README.txt does not name $version"
    "$here/wine-run.sh" "$build/tests/korvo_integration_tests.exe" --module="$unpacked/$name/KorvoEQ.dll" >/dev/null ||
        fail "the unpacked $name module fails the integration tests"
    echo "$name.zip: the tested module, which passes the integration tests unpacked"
done
