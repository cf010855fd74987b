#!/usr/bin/env bash
# Checks the built Debian package without installing it: its name, its
# metadata (Depends covering every library the binaries load, as
# dpkg-shlibdeps computed them), its files (each format where hosts look,
# korvo, the factory presets the build wrote where hosts look for them, the
# copyright and changelog, everything the Linux build installs under /usr and
# nothing else), lintian's verdict (no error; only the
# warnings explained in packaging/README.md), and that the package unpacked
# runs: its korvo finds its module with no option and lilv finds the LV2
# bundle.
#   deb-test.sh SOURCE_DIR LINUX_BUILD PACKAGES_DIR WORK
set -uo pipefail
source_dir="$1" build="$2" packages="$3" work="$4"

fail() { echo "deb-test: $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$packages/korvo-eq_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"
rm -rf "$work"
mkdir -p "$work"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvo-eq ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or Description"

# The files: the fixed ones, and all that `cmake --install` of the build puts under /usr.
dpkg-deb --fsys-tarfile "$deb" | tar -tf - | sed 's|^\./|/|; s|/$||' | grep -v '^/*$' | sort >"$work/contents"
{
    printf '%s\n' /usr/bin/korvo /usr/lib/vst/KorvoEQ.so \
        /usr/lib/vst3/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so \
        /usr/lib/vst3/KorvoEQ.vst3/Contents/Resources/moduleinfo.json /usr/lib/clap/KorvoEQ.clap \
        /usr/lib/lv2/KorvoEQ.lv2/KorvoEQ_dsp.so /usr/lib/lv2/KorvoEQ.lv2/KorvoEQ_ui.so \
        /usr/lib/lv2/KorvoEQ.lv2/manifest.ttl /usr/lib/lv2/KorvoEQ.lv2/KorvoEQ.ttl /usr/lib/lv2/KorvoEQ.lv2/presets.ttl \
        /usr/share/doc/korvo-eq/copyright
    [ ! -f "$source_dir/CHANGELOG.md" ] || echo /usr/share/doc/korvo-eq/changelog.gz
    # One file of each kind for each factory preset the build wrote.
    for file in "$build"/presets/vst3/*.vstpreset; do echo "/usr/share/vst3/presets/Vardle/Korvo-EQ/${file##*/}"; done
    for file in "$build"/presets/fxp/*.fxp; do echo "/usr/lib/vst/KorvoEQ-presets/${file##*/}"; done
    DESTDIR="$work/stage" cmake --install "$build" --prefix /usr --component plugin >/dev/null ||
        fail "cannot install the build's plugin component"
    (cd "$work/stage" && find . -type f | sed 's|^\.||')
} | sort -u >"$work/expected"
missing=$(comm -13 "$work/contents" "$work/expected")
[ -z "$missing" ] || fail "the package lacks: $missing"
# Nothing but the expected files and the folders holding them.
extra=$(comm -23 "$work/contents" "$work/expected" | while read -r path; do
    grep -q "^$path/" "$work/expected" || echo "$path"
done)
[ -z "$extra" ] || fail "the package holds unexpected files: $extra"
if [ -f "$source_dir/CHANGELOG.md" ]; then
    dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/korvo-eq/changelog.gz | gunzip | cmp -s - "$source_dir/CHANGELOG.md" ||
        fail "changelog.gz is not CHANGELOG.md"
fi

dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack $deb"
diff -r "$build/presets/vst3" "$work/root/usr/share/vst3/presets/Vardle/Korvo-EQ" >/dev/null &&
    diff -r "$build/presets/fxp" "$work/root/usr/lib/vst/KorvoEQ-presets" >/dev/null ||
    fail "the package's presets are not the files the build wrote"

# Depends names, for every library any binary loads, the package that holds it.
depends=$(field Depends)
depended=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
for binary in usr/bin/korvo usr/lib/vst/KorvoEQ.so usr/lib/vst3/KorvoEQ.vst3/Contents/x86_64-linux/KorvoEQ.so \
    usr/lib/clap/KorvoEQ.clap usr/lib/lv2/KorvoEQ.lv2/KorvoEQ_dsp.so usr/lib/lv2/KorvoEQ.lv2/KorvoEQ_ui.so; do
    for soname in $(readelf -d "$work/root/$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
        package=$(dpkg -S "*/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/$soname" 2>/dev/null | grep -v -- '-dev' | head -1 | cut -d: -f1)
        [ -n "$package" ] || fail "no installed package holds $soname, which $binary loads"
        grep -qxF "$package" <<<"$depended" || fail "Depends ($depends) lacks $package, for $soname of $binary"
    done
done

# lintian: no error, and no warning beyond those packaging/README.md explains.
lintian --no-tag-display-limit "$deb" >"$work/lintian" 2>/dev/null
# A tree without CHANGELOG.md (the documentation's branch brings it) makes a
# package without changelog.gz, which lintian calls an error; only then is it let pass.
errors=$(grep '^E:' "$work/lintian")
[ -f "$source_dir/CHANGELOG.md" ] || errors=$(grep -v '^E: korvo-eq: no-changelog ' <<<"$errors")
[ -z "$errors" ] || fail "lintian reports errors: $errors"
allowed='syntax-error-in-debian-changelog'
# korvo's manual page comes with the build of the documentation; until then lintian misses it.
[ -n "$(find "$work/root/usr/share/man" -name 'korvo.1*' 2>/dev/null)" ] || allowed="$allowed|no-manual-page"
unexplained=$(grep '^W:' "$work/lintian" | grep -Ev "^W: korvo-eq: ($allowed) ")
[ -z "$unexplained" ] || fail "lintian warns: $unexplained"

# Unpacked, korvo finds its module from any folder, and lilv finds the bundle.
info=$(cd / && "$work/root/usr/bin/korvo" info 2>&1) || fail "the unpacked korvo does not run: $info"
grep -q "effect: *Korvo-EQ" <<<"$info" || fail "the unpacked korvo found no Korvo-EQ: $info"
LV2_PATH="$work/root/usr/lib/lv2" lv2ls | grep -qx 'https://vardle.example/plugins/korvo-eq' ||
    fail "lv2ls does not find the unpacked bundle"
echo "$(basename "$deb"): $(wc -l <"$work/expected") files where they belong, Depends computed, lintian clean, runs unpacked"
