#!/usr/bin/env bash
# Makes the release archives (unless --built) and checks each: it holds the very modules the
# tests ran on (the VST2 module, the VST3 bundle's, the CLAP module, on Linux
# the LV2 bundle's two, and korvo) stripped, with no debug sections or symbol table
# left and its exports intact, the factory presets the Linux build wrote are
# in it (and where install.sh puts them), its read-me is a user's guide that names the
# version (and for Linux every library the binaries load and the glibc they
# need), and the unpacked module loads in a host: korvo from the Linux archive
# finds its own module from any directory, and each Windows module passes the
# integration tests under Wine; the unpacked LV2 bundle and its editor pass
# their tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
here="$root/scripts"

fail() { echo "check-packages: $*" >&2; exit 1; }

# The archived binary ARCHIVED must be the tested TESTED stripped, by the
# binutils of TOOLS (a tool prefix: empty for Linux, the mingw-w64 triplet and
# a dash for Windows), and carry neither debug sections nor a symbol table. A
# Windows strip stamps the DLL's header with the time it ran: the stripped copy
# made here takes the archived one's time, the only field not compared.
#   stripped_build TOOLS ARCHIVED TESTED
stripped_build() {
    local tools="$1" archived="$2" tested="$3" copy="$unpacked/stripped" epoch="" sections symbols
    sections=$("${tools}objdump" -h "$archived")
    symbols=$("${tools}objdump" -t "$archived")
    ! grep -Eq '^ *[0-9]+ \.z?debug' <<<"$sections" || fail "$archived carries debug sections"
    grep -qx 'no symbols' <<<"$symbols" || fail "$archived carries a symbol table"
    if [ -n "$tools" ]; then
        local header
        header=$(od -An -tu4 -j60 -N4 "$archived")
        epoch=$(od -An -tu4 -j$((header + 8)) -N4 "$archived")
    fi
    SOURCE_DATE_EPOCH=${epoch// /} "${tools}strip" -o "$copy" "$tested"
    cmp -s "$copy" "$archived" || fail "$archived is not $tested stripped"
    rm -f "$copy"
}

# The unpacked VST3 bundle BUNDLE holds the tested bundle TESTED's module for
# ARCH stripped (by the binutils of TOOLS, as above) and its description.
#   bundle_build TOOLS BUNDLE TESTED ARCH MODULE_NAME
bundle_build() {
    local tools="$1" bundle="$2" tested="$3" arch="$4" name="$5"
    [ -f "$bundle/Contents/$arch/$name" ] || fail "${bundle#"$unpacked"/} has no Contents/$arch/$name"
    stripped_build "$tools" "$bundle/Contents/$arch/$name" "$tested/Contents/$arch/$name"
    cmp -s "$bundle/Contents/Resources/moduleinfo.json" "$tested/Contents/Resources/moduleinfo.json" ||
        fail "${bundle#"$unpacked"/} does not carry the bundle's moduleinfo.json"
}

# The archive unpacked in FOLDER carries a guide for its user: its README.txt
# points into no build tree, and no file is the developers' README.md.
#   users_guide FOLDER
users_guide() {
    local file
    ! grep -Eq '(^|[^[:alnum:]])build/' "$1/README.txt" || fail "${1##*/}: README.txt points into a build tree"
    while IFS= read -r -d '' file; do
        ! cmp -s "$file" README.md || fail "${1##*/} carries the developers' README.md as ${file#"$1"/}"
    done < <(find "$1" -type f -print0)
}

# FOLDER holds the very factory presets of KIND (vst3, fxp) the Linux build
# wrote, and nothing else.
#   presets_in FOLDER KIND PACKAGE
presets_in() {
    [ -n "$(ls "build/linux/presets/$2" 2>/dev/null)" ] || fail "the Linux build wrote no $2 presets"
    diff -r "build/linux/presets/$2" "$1" >/dev/null ||
        fail "$3: ${1#"$unpacked"/} does not hold the $2 presets the build wrote"
}

# --built: scripts/package.sh has just made them (the tests run it once for all
# the package checks).
if [ "${1:-}" != --built ]; then
    bash scripts/package.sh >/dev/null
fi
version=$(build/linux/korvo --version | awk '{print $2}')
[ -n "$version" ] || fail "korvo --version names no version"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT

linux="KorvoEQ-$version-linux-x86_64"
[ -f "build/packages/$linux.tar.gz" ] || fail "no build/packages/$linux.tar.gz"
tar -xzf "build/packages/$linux.tar.gz" -C "$unpacked"
stripped_build "" "$unpacked/$linux/lib/vst/KorvoEQ.so" build/linux/KorvoEQ.so
stripped_build "" "$unpacked/$linux/bin/korvo" build/linux/korvo
bundle_build "" "$unpacked/$linux/lib/vst3/KorvoEQ.vst3" build/linux/KorvoEQ.vst3 x86_64-linux KorvoEQ.so
"$here/check-exports.sh" linux "$unpacked/$linux/lib/vst/KorvoEQ.so" >/dev/null
"$here/check-exports.sh" --vst3 linux "$unpacked/$linux/lib/vst3/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so" >/dev/null
stripped_build "" "$unpacked/$linux/lib/clap/KorvoEQ.clap" build/linux/KorvoEQ.clap
"$here/check-exports.sh" --clap linux "$unpacked/$linux/lib/clap/KorvoEQ.clap" >/dev/null
lv2_bundle="$unpacked/$linux/lib/lv2/KorvoEQ.lv2"
stripped_build "" "$lv2_bundle/KorvoEQ_dsp.so" build/linux/lv2/KorvoEQ.lv2/KorvoEQ_dsp.so
stripped_build "" "$lv2_bundle/KorvoEQ_ui.so" build/linux/lv2/KorvoEQ.lv2/KorvoEQ_ui.so
for ttl in manifest.ttl KorvoEQ.ttl presets.ttl; do
    cmp -s "$lv2_bundle/$ttl" "build/linux/lv2/KorvoEQ.lv2/$ttl" || fail "$linux: KorvoEQ.lv2 does not carry the bundle's $ttl"
done
[ "$(ls "$lv2_bundle" | wc -l)" = 5 ] || fail "$linux: KorvoEQ.lv2 holds other files: $(ls "$lv2_bundle")"
"$here/check-exports.sh" --lv2 linux "$lv2_bundle/KorvoEQ_dsp.so" >/dev/null
"$here/check-exports.sh" --lv2-ui linux "$lv2_bundle/KorvoEQ_ui.so" >/dev/null
presets_in "$unpacked/$linux/share/vst3/presets/Vardle/Korvo-EQ" vst3 "$linux"
presets_in "$unpacked/$linux/lib/vst/KorvoEQ-presets" fxp "$linux"
grep -q "Korvo-EQ $version" "$unpacked/$linux/README.txt" || fail "$linux: README.txt does not name $version"
users_guide "$unpacked/$linux"
# Every library the archived binaries load is named in the read-me beside a
# package holding it, and each binary's glibc (the newest GLIBC_ version it
# requires) is stated.
readme=$(tr -s ' \n' '  ' <"$unpacked/$linux/README.txt")
for binary in bin/korvo lib/vst/KorvoEQ.so lib/vst3/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so lib/clap/KorvoEQ.clap \
    lib/lv2/KorvoEQ.lv2/KorvoEQ_dsp.so lib/lv2/KorvoEQ.lv2/KorvoEQ_ui.so; do
    for soname in $(readelf -d "$unpacked/$linux/$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
        package=$(awk -v so="$soname" '/^    [a-z]/ { for (i = 2; i <= NF; i++) if ($i == so) { print $1; exit } }' \
            "$unpacked/$linux/README.txt")
        [ -n "$package" ] || fail "$linux: README.txt does not list $soname, which $binary loads"
        files=$(dpkg -L "$package:$(dpkg --print-architecture)")
        grep -q "/${soname//./\\.}\$" <<<"$files" || fail "$linux: README.txt gives $soname to $package, which lacks it"
    done
    glibc=$(readelf -V "$unpacked/$linux/$binary" | sed -n 's/.*Name: GLIBC_\([0-9.]*\) .*/\1/p' | sort -V | tail -1)
    grep -qF "${binary##*/} needs glibc $glibc or later" <<<"$readme" ||
        fail "$linux: README.txt does not say ${binary##*/} needs glibc $glibc"
done
info=$(cd / && "$unpacked/$linux/bin/korvo" info) || fail "the unpacked korvo could not host its module"
grep -q "effect: *Korvo-EQ" <<<"$info" || fail "the unpacked korvo found no Korvo-EQ: $info"
"build/linux/tests/korvo_clap_tests" --module="$unpacked/$linux/lib/clap/KorvoEQ.clap" \
    --vst2-module="$unpacked/$linux/lib/vst/KorvoEQ.so" >/dev/null || fail "the unpacked CLAP module fails its tests"
"build/linux/tests/korvo_lv2_tests" --bundle="$lv2_bundle" --vst2-module="$unpacked/$linux/lib/vst/KorvoEQ.so" >/dev/null ||
    fail "the unpacked LV2 bundle fails its tests"
xvfb-run -a -s "-screen 0 1920x1200x24 -noreset" "build/linux/tests/korvo_lv2_editor_tests" \
    --module="$lv2_bundle/KorvoEQ_ui.so" >/dev/null || fail "the unpacked LV2 bundle's editor fails its tests"
# Its install.sh puts every format and the presets into the per-user folders
# (of a home with a space in its path), where the installed korvo finds its
# module, and --uninstall takes them all away again, but for a preset of the
# user's own beside the factory ones.
home="$unpacked/my home"
mkdir -p "$home"
[ -x "$unpacked/$linux/install.sh" ] || fail "$linux: no executable install.sh"
(cd / && HOME="$home" "$unpacked/$linux/install.sh" >/dev/null) || fail "$linux: install.sh failed"
for file in .vst/KorvoEQ.so .vst3/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so .clap/KorvoEQ.clap \
    .lv2/KorvoEQ.lv2/KorvoEQ_dsp.so .lv2/KorvoEQ.lv2/manifest.ttl .local/bin/korvo; do
    [ -f "$home/$file" ] || fail "$linux: install.sh did not install ~/$file"
done
presets_in "$home/.vst3/presets/Vardle/Korvo-EQ" vst3 "$linux install.sh"
presets_in "$home/.vst/KorvoEQ-presets" fxp "$linux install.sh"
info=$(cd / && HOME="$home" LXVST_PATH= VST_PATH= "$home/.local/bin/korvo" info) ||
    fail "korvo installed by install.sh finds no module"
grep -q "effect: *Korvo-EQ" <<<"$info" || fail "korvo installed by install.sh found no Korvo-EQ: $info"
own="$home/.vst3/presets/Vardle/Korvo-EQ/Mine.vstpreset"
echo mine >"$own"
(cd / && HOME="$home" "$unpacked/$linux/install.sh" --uninstall >/dev/null) || fail "$linux: install.sh --uninstall failed"
left=$(find "$home" -mindepth 1 ! -type d)
[ "$left" = "$own" ] || fail "$linux: install.sh --uninstall left or took: $left (only ${own#"$home"/} should stay)"
[ ! -e "$home/.vst/KorvoEQ-presets" ] || fail "$linux: install.sh --uninstall left ~/.vst/KorvoEQ-presets"
first=$(awk '/^-+$/ { print section; exit } { section = $0 }' "$unpacked/$linux/README.txt")
[ "$first" = Installing ] && grep -q './install.sh --system' "$unpacked/$linux/README.txt" &&
    grep -q './install.sh --uninstall' "$unpacked/$linux/README.txt" ||
    fail "$linux: README.txt does not tell of install.sh first"
echo "$linux.tar.gz: the tested modules and korvo, stripped, and the presets; korvo hosts the unpacked module, the CLAP module and the LV2 bundle pass their tests"

for entry in "windows-x86 build/windows i686 windows x86-win" "windows-x64 build/windows-x64 x86_64 windows64 x86_64-win"; do
    set -- $entry
    name="KorvoEQ-$version-$1"
    build="$2"
    [ -f "build/packages/$name.zip" ] || fail "no build/packages/$name.zip"
    unzip -q "build/packages/$name.zip" -d "$unpacked"
    stripped_build "$3-w64-mingw32-" "$unpacked/$name/KorvoEQ.dll" "$build/KorvoEQ.dll"
    bundle_build "$3-w64-mingw32-" "$unpacked/$name/KorvoEQ.vst3" "$build/KorvoEQ.vst3" "$5" KorvoEQ.vst3
    "$here/check-exports.sh" "$4" "$unpacked/$name/KorvoEQ.dll" >/dev/null
    "$here/check-exports.sh" --vst3 "$4" "$unpacked/$name/KorvoEQ.vst3/Contents/$5/KorvoEQ.vst3" >/dev/null
    stripped_build "$3-w64-mingw32-" "$unpacked/$name/KorvoEQ.clap" "$build/KorvoEQ.clap"
    "$here/check-exports.sh" --clap "$4" "$unpacked/$name/KorvoEQ.clap" >/dev/null
    presets_in "$unpacked/$name/VST3 Presets/Vardle/Korvo-EQ" vst3 "$name"
    presets_in "$unpacked/$name/KorvoEQ-presets" fxp "$name"
    grep -q "Korvo-EQ $version" "$unpacked/$name/README.txt" || fail "$name: README.txt does not name $version"
    users_guide "$unpacked/$name"
    "$here/wine-run.sh" "$build/tests/korvo_integration_tests.exe" --module="$unpacked/$name/KorvoEQ.dll" >/dev/null ||
        fail "the unpacked $name module fails the integration tests"
    "$here/wine-run.sh" "$build/tests/korvo_vst3_tests.exe" --module="$unpacked/$name/KorvoEQ.vst3/Contents/$5/KorvoEQ.vst3" \
        --vst2-module="$unpacked/$name/KorvoEQ.dll" >/dev/null || fail "the unpacked $name VST3 bundle fails its tests"
    "$here/wine-run.sh" "$build/tests/korvo_clap_tests.exe" --module="$unpacked/$name/KorvoEQ.clap" \
        --vst2-module="$unpacked/$name/KorvoEQ.dll" >/dev/null || fail "the unpacked $name CLAP module fails its tests"
    echo "$name.zip: the tested modules stripped and the presets; the modules pass their tests unpacked"
done
