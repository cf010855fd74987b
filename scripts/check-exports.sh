#!/usr/bin/env bash
# Checks what a built module shows the host: only its format's entry names
# (VST2: VSTPluginMain and main, at one address; VST3: GetPluginFactory, with
# ModuleEntry and ModuleExit on Linux, InitDll and ExitDll on Windows; CLAP:
# the data symbol clap_entry; LV2, Linux only: lv2_descriptor, and its UI
# binary lv2ui_descriptor), and for a
# Windows DLL its format (PE32 for windows, PE32+ for windows64), its module
# name and no import but system DLLs.
#   check-exports.sh [--vst3|--clap|--lv2|--lv2-ui] linux|windows|windows64 MODULE
set -euo pipefail
format=vst2
if [ "$1" = --vst3 ] || [ "$1" = --clap ] || [ "$1" = --lv2 ] || [ "$1" = --lv2-ui ]; then
    format=${1#--}
    shift
fi
kind="$1"
module="$2"

fail() { echo "check-exports: $*" >&2; exit 1; }

if [ "$kind" = linux ] && [ "$format" = vst3 ]; then
    names=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
    [ "$names" = "GetPluginFactory ModuleEntry ModuleExit " ] ||
        fail "exports are '$names', expected only GetPluginFactory, ModuleEntry and ModuleExit"
    echo "linux VST3 module exports GetPluginFactory, ModuleEntry and ModuleExit, nothing else"
    exit 0
fi
if [ "$kind" = linux ] && [ "$format" = clap ]; then
    exports=$(nm -D --defined-only "$module" | awk '{print $2, $3}' | sort | tr '\n' ' ')
    [ "$exports" = "D clap_entry " ] || [ "$exports" = "R clap_entry " ] ||
        fail "exports are '$exports', expected only the data symbol clap_entry"
    echo "linux CLAP module exports clap_entry, nothing else"
    exit 0
fi
if [ "$kind" = linux ] && [ "$format" = lv2 ]; then
    exports=$(nm -D --defined-only "$module" | awk '{print $2, $3}' | sort | tr '\n' ' ')
    [ "$exports" = "T lv2_descriptor " ] || fail "exports are '$exports', expected only the function lv2_descriptor"
    echo "linux LV2 DSP binary exports lv2_descriptor, nothing else"
    exit 0
fi
if [ "$kind" = linux ] && [ "$format" = lv2-ui ]; then
    exports=$(nm -D --defined-only "$module" | awk '{print $2, $3}' | sort | tr '\n' ' ')
    [ "$exports" = "T lv2ui_descriptor " ] || fail "exports are '$exports', expected only the function lv2ui_descriptor"
    echo "linux LV2 UI binary exports lv2ui_descriptor, nothing else"
    exit 0
fi
if [ "$kind" = linux ]; then
    names=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
    [ "$names" = "VSTPluginMain main " ] || fail "exports are '$names', expected only VSTPluginMain and main"
    main_addr=$(nm -D --defined-only "$module" | awk '$3=="main"{print $1}')
    entry_addr=$(nm -D --defined-only "$module" | awk '$3=="VSTPluginMain"{print $1}')
    [ "$main_addr" = "$entry_addr" ] || fail "main ($main_addr) and VSTPluginMain ($entry_addr) differ"
    echo "linux module exports VSTPluginMain and main at $entry_addr, nothing else"
    exit 0
fi

if [ "$kind" = windows64 ]; then
    dump=$(x86_64-w64-mingw32-objdump -p "$module")
    magic=020b pe=PE32+
else
    dump=$(i686-w64-mingw32-objdump -p "$module")
    magic=010b pe=PE32
fi
[ "$(awk '/^Magic/{print $2}' <<<"$dump")" = "$magic" ] || fail "not $pe: $(grep -E '^Magic' <<<"$dump")"
exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '\[ *[0-9]+\]' | awk '{print $NF}' | sort | tr '\n' ' ')
if [ "$format" = clap ]; then
    grep -Eq '^Name[[:space:]]+[0-9a-f]+[[:space:]]+KorvoEQ\.clap$' <<<"$dump" || fail "export directory does not name KorvoEQ.clap"
    [ "$exports" = "clap_entry " ] || fail "exported names are '$exports'"
elif [ "$format" = vst3 ]; then
    grep -Eq '^Name[[:space:]]+[0-9a-f]+[[:space:]]+KorvoEQ\.vst3$' <<<"$dump" || fail "export directory does not name KorvoEQ.vst3"
    [ "$exports" = "ExitDll GetPluginFactory InitDll " ] || fail "exported names are '$exports'"
else
    grep -Eq '^Name[[:space:]]+[0-9a-f]+[[:space:]]+KorvoEQ\.dll$' <<<"$dump" || fail "export directory does not name KorvoEQ.dll"
    [ "$exports" = "VSTPluginMain main " ] || fail "exported names are '$exports'"
    rvas=$(echo "$dump" | grep -E '\+base\[ *[0-9]+\] +[0-9a-f]+ Export RVA' | awk '{print $(NF-2)}')
    [ "$(echo "$rvas" | wc -l)" = 2 ] && [ "$(echo "$rvas" | sort -u | wc -l)" = 1 ] ||
        fail "the two exports do not share one address: $(echo $rvas)"
fi
imports=$(echo "$dump" | awk '/DLL Name:/{print tolower($3)}' | sort -u)
for dll in $imports; do
    case "$dll" in
    kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | advapi32.dll) ;;
    *) fail "imports a non-system DLL: $dll" ;;
    esac
done
echo "$(basename "$module"), $pe, exports $(echo $exports); imports: $(echo $imports)"
