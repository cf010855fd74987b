#!/usr/bin/env bash
# Runs a Windows installer under Wine in a fresh prefix of its width, as a
# studio deploying it would: a silent install must put each format where hosts
# of that width look (a 64-bit installer never into Program Files (x86)), the
# VST3 presets into ProgramData's VST3 Presets and the VST2 ones beside the
# DLL, the very files of the zip, register its uninstaller in Add/Remove
# Programs and log where each format went; the installed VST3 and CLAP modules
# must pass the test hosts loaded from their installed folders; the components
# and the VST2 folder follow the command line; and the silent uninstall must
# leave no file, folder or registry entry behind.
#   windows-installer-test.sh x64|x86 SETUP.exe ZIP WINDOWS_BUILD WORK
set -uo pipefail
width="$1" setup="$2" zip="$3" build="$4" work="$5"
root=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$root/scripts/wine-run.sh"

fail() { echo "windows-installer-test ($width): $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
if [ "$width" = x64 ]; then
    export KORVO_WINEPREFIX64="$prefix" WINEARCH=win64
    arch=x86_64-win
else
    export KORVO_WINEPREFIX="$prefix" WINEARCH=win32
    arch=x86-win
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all
drive="$prefix/drive_c"
common="$drive/Program Files/Common Files"
program="$drive/Program Files/Vardle/Korvo-EQ"
vst3_presets="$drive/ProgramData/VST3 Presets/Vardle/Korvo-EQ"
key='Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\KorvoEQ'

wait_wine() { wineserver -w; }
# What the prefix holds: its files and folders (temporary ones aside) and the
# keys of its machine registry.
snapshot() {
    (cd "$drive" && find . -path '*/Temp' -prune -o -print | sort)
    grep '^\[' "$prefix/system.reg" | sed 's/\] [0-9]*$/]/' | sort
}
# The registry value NAME of the uninstall key, as system.reg writes it.
reg_value() {
    awk -v key="[$key]" -v name="\"$1\"" '
        index($0, key) == 1 { inside = 1; next }
        /^\[/ { inside = 0 }
        inside && index($0, name "=") == 1 { print substr($0, length(name) + 2); exit }' "$prefix/system.reg"
}
setup_log() { find "$drive/users" -name KorvoEQ-setup.log -print -quit; }

unzip -q "$zip" -d "$work/zip" || fail "cannot unpack $zip"
zipped=$(find "$work/zip" -mindepth 1 -maxdepth 1 -type d)

# A wrong value, or no format at all, is refused before anything is done (this
# also makes the prefix, whose state is then taken as the one to come back to).
"$wine_run" "$setup" /S /VST3=2 >/dev/null 2>&1
status=$?
wait_wine
[ "$status" = 2 ] || fail "/VST3=2 was not refused with status 2 (status $status)"
"$wine_run" "$setup" /S /VST3=0 /CLAP=0 /VST2=0 >/dev/null 2>&1
status=$?
wait_wine
[ "$status" = 2 ] || fail "an installation of no format was not refused with status 2 (status $status)"
snapshot >"$work/before"

# Every format, the VST2 module into a folder of the user's, with spaces, two levels new.
"$wine_run" "$setup" /S '/VST2DIR=C:\VST Plugins\Korvo' >/dev/null 2>&1 || fail "the silent install failed"
wait_wine
vst2="$drive/VST Plugins/Korvo/KorvoEQ.dll"
for pair in "KorvoEQ.vst3/Contents/$arch/KorvoEQ.vst3:$common/VST3/KorvoEQ.vst3/Contents/$arch/KorvoEQ.vst3" \
    "KorvoEQ.vst3/Contents/Resources/moduleinfo.json:$common/VST3/KorvoEQ.vst3/Contents/Resources/moduleinfo.json" \
    "KorvoEQ.clap:$common/CLAP/KorvoEQ.clap" "KorvoEQ.dll:$vst2"; do
    [ -f "${pair#*:}" ] || fail "no ${pair#*:}"
    cmp -s "$zipped/${pair%%:*}" "${pair#*:}" || fail "${pair#*:} is not the zip's ${pair%%:*}"
done
for pair in "VST3 Presets/Vardle/Korvo-EQ:$vst3_presets" "KorvoEQ-presets:${vst2%/*}/KorvoEQ-presets"; do
    [ -n "$(ls "$zipped/${pair%%:*}" 2>/dev/null)" ] || fail "the zip has no presets in ${pair%%:*}"
    diff -r "$zipped/${pair%%:*}" "${pair#*:}" >/dev/null || fail "${pair#*:} does not hold the zip's ${pair%%:*}, alone"
done
[ -f "$program/Uninstall.exe" ] || fail "no Uninstall.exe in $program"
if [ "$width" = x64 ]; then
    [ ! -e "$drive/Program Files (x86)/Common Files/VST3/KorvoEQ.vst3" ] &&
        [ ! -e "$drive/Program Files (x86)/Common Files/CLAP/KorvoEQ.clap" ] &&
        [ ! -e "$drive/Program Files (x86)/Vardle" ] || fail "the 64-bit installer wrote into Program Files (x86)"
    ! grep -q 'Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\KorvoEQ' "$prefix/system.reg" ||
        fail "the 64-bit installer registered in the 32-bit registry view"
fi
grep -q "^\[$key\]" "$prefix/system.reg" || fail "no uninstall entry in the registry"
version=$(unzip -Z1 "$zip" | head -1 | sed -E 's/^KorvoEQ-([^-]*)-.*/\1/')
[ "$(reg_value DisplayName)" = '"Korvo-EQ"' ] || fail "DisplayName is $(reg_value DisplayName)"
[ "$(reg_value Publisher)" = '"Vardle"' ] || fail "Publisher is $(reg_value Publisher)"
[ "$(reg_value DisplayVersion)" = "\"$version\"" ] || fail "DisplayVersion is $(reg_value DisplayVersion), not $version"
size=$(reg_value EstimatedSize)
[[ "$size" =~ ^dword:0*[1-9a-f] ]] || fail "EstimatedSize is '$size'"
[ "$(reg_value UninstallString)" = '"\"C:\\Program Files\\Vardle\\Korvo-EQ\\Uninstall.exe\""' ] ||
    fail "UninstallString is $(reg_value UninstallString)"
log=$(setup_log)
[ -n "$log" ] || fail "no KorvoEQ-setup.log in %TEMP%"
for line in 'VST3: C:\Program Files\Common Files\VST3\KorvoEQ.vst3' 'CLAP: C:\Program Files\Common Files\CLAP\KorvoEQ.clap' \
    'VST2: C:\VST Plugins\Korvo\KorvoEQ.dll' 'VST3 presets: C:\ProgramData\VST3 Presets\Vardle\Korvo-EQ' \
    'VST2 presets: C:\VST Plugins\Korvo\KorvoEQ-presets' 'Uninstaller: C:\Program Files\Vardle\Korvo-EQ\Uninstall.exe'; do
    tr -d '\r' <"$log" | grep -qxF "$line" || fail "the log does not say '$line': $(cat "$log")"
done

# The test hosts load the installed modules from their folders, held to the installed VST2 module.
vst3_installed="C:\\Program Files\\Common Files\\VST3\\KorvoEQ.vst3\\Contents\\$arch\\KorvoEQ.vst3"
"$wine_run" "$build/tests/korvo_vst3_tests.exe" --module="$vst3_installed" --vst2-module='C:\VST Plugins\Korvo\KorvoEQ.dll' \
    >"$work/vst3.log" 2>&1 || fail "the installed VST3 module fails its tests: $(tail -5 "$work/vst3.log")"
"$wine_run" "$build/tests/korvo_clap_tests.exe" --module='C:\Program Files\Common Files\CLAP\KorvoEQ.clap' \
    --vst2-module='C:\VST Plugins\Korvo\KorvoEQ.dll' >"$work/clap.log" 2>&1 ||
    fail "the installed CLAP module fails its tests: $(tail -5 "$work/clap.log")"
wait_wine

uninstall() {
    "$wine_run" "$program/Uninstall.exe" /S >/dev/null 2>&1 || fail "the silent uninstall failed"
    wait_wine
    snapshot >"$work/after"
    diff "$work/before" "$work/after" >"$work/left" || fail "the uninstaller left or removed: $(cat "$work/left")"
    ! grep -qi 'korvo' "$prefix/system.reg" || fail "the registry still names Korvo-EQ after uninstalling"
}
uninstall

# Installed again over the same installation, with the VST2 module alone into
# the default folder of the installer's width: the earlier installation goes
# first, its own VST2 folder with it.
"$wine_run" "$setup" /S '/VST2DIR=C:\VST Plugins\Korvo' >/dev/null 2>&1 || fail "the second silent install failed"
wait_wine
"$wine_run" "$setup" /S /VST3=0 /CLAP=0 >/dev/null 2>&1 || fail "the silent VST2-only install failed"
wait_wine
[ -f "$common/VST2/KorvoEQ.dll" ] && [ -n "$(ls "$common/VST2/KorvoEQ-presets" 2>/dev/null)" ] ||
    fail "/VST3=0 /CLAP=0 did not put the VST2 module and its presets in its default folder"
[ ! -e "$common/VST3/KorvoEQ.vst3" ] && [ ! -e "$common/CLAP/KorvoEQ.clap" ] && [ ! -e "$vst3_presets" ] ||
    fail "/VST3=0 /CLAP=0 left the earlier installation's VST3 or CLAP module or VST3 presets, or installed them"
[ ! -e "$drive/VST Plugins" ] || fail "installing again left the earlier installation's VST2 folder"
tr -d '\r' <"$(setup_log)" | grep -qxF 'CLAP: not installed' || fail "the log does not say CLAP was not installed"
uninstall
echo "$(basename "$setup"): installs, loads from its folders and uninstalls cleanly"
