#!/usr/bin/env bash
# Renders the same signal and settings through the Linux module and, under Wine,
# through the Windows DLL, and requires the two outputs to be identical bit for bit.
set -euo pipefail
linux_probe="$1"; linux_module="$2"; windows_probe="$3"; windows_module="$4"; work="$5"
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
"$linux_probe" "$linux_module" "$work/linux.raw"
"$here/wine-run.sh" "$windows_probe" "$windows_module" "$work/windows.raw"
if ! cmp "$work/linux.raw" "$work/windows.raw"; then
    echo "the Windows and Linux modules differ" >&2
    exit 1
fi
echo "identical: $(stat -c %s "$work/linux.raw") bytes of output from each module"
