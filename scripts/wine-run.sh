#!/usr/bin/env bash
# Runs a Windows program under Wine in one of the project's own prefixes: a
# 32-bit program in a 32-bit prefix, a 64-bit one (told by its PE header) in a
# 64-bit prefix beside it. A test program (one whose output ends with
# "N passed, N failed") is judged by that line as well as by its exit code,
# since Wine's exit code is not always reliable after a crash. With --gui
# first, the program gets a virtual 24-bit screen of its own (Xvfb), with room
# for the editor at twice its size. With --dpi N (after --gui), Windows shows N
# dots per inch instead of 96: the program runs in prefixes of their own made so.
set -uo pipefail

gui=0
if [ "${1:-}" = --gui ]; then
    gui=1
    shift
fi
dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi="$2"
    shift 2
    case "$dpi" in
    '' | *[!0-9]*) echo "wine-run: --dpi takes a whole number, not '$dpi'" >&2; exit 2 ;;
    esac
fi
program="$1"
shift

# The machine field of the PE header: 8664 for x86_64, 14c for i386.
pe_offset=$(od -An -tu4 -j 60 -N 4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j $((pe_offset + 4)) -N 2 "$program" | tr -d ' ')
cache="${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/korvo-eq"
# The screen's dots per inch belong to the prefix: one pair of prefixes for
# each, so that programs run at 96 and at another never see each other's.
suffix=""
if [ "$dpi" != 96 ]; then
    suffix="-dpi$dpi"
fi
if [ "$machine" = 8664 ]; then
    width=64
    wine=/usr/lib/wine/wine64
    export WINEARCH=win64
    export WINEPREFIX="${KORVO_WINEPREFIX64:-$cache/wine64}$suffix"
else
    width=32
    wine=wine
    export WINEARCH=win32
    export WINEPREFIX="${KORVO_WINEPREFIX:-$cache/wine32}$suffix"
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.korvo-ready" ]; then
        "$wine" wineboot --init >/dev/null 2>&1
        # A crash must end the program, not wait at a dialog.
        "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        if [ "$dpi" != 96 ]; then
            # The user's setting, and the machine's that Wine falls back on.
            "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 &&
                "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
                    /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
                { echo "wine-run: could not set $dpi dpi in $WINEPREFIX" >&2; exit 1; }
        fi
        wineserver -w
        touch "$WINEPREFIX/.korvo-ready"
    fi
) 9>"$(dirname "$WINEPREFIX")/wine$width$suffix.lock" || exit 1

output=$(mktemp)
trap 'rm -f "$output"' EXIT

if [ "$gui" = 1 ]; then
    xvfb-run -a -s "-screen 0 2560x1600x24" "$wine" "$program" "$@" 2>&1 | tr -d '\r' | tee "$output"
else
    "$wine" "$program" "$@" 2>&1 | tr -d '\r' | tee "$output"
fi
status=${PIPESTATUS[0]}

summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$output" | tail -n 1)
case "$(basename "$program")" in
*_tests.exe)
    if [ -z "$summary" ]; then
        echo "wine-run: $program ended without its closing summary line (exit $status)" >&2
        exit 1
    fi
    failed=$(echo "$summary" | sed -E 's/^[0-9]+ passed, ([0-9]+) failed$/\1/')
    passed=$(echo "$summary" | sed -E 's/^([0-9]+) passed.*/\1/')
    if [ "$failed" != 0 ] || [ "$passed" = 0 ]; then
        exit 1
    fi
    ;;
esac
exit "$status"
