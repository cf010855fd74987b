#!/usr/bin/env bash
# Renders the same signal and settings through two builds of the module, each
# with a render probe of its own platform (a Windows probe, *.exe, runs under
# Wine), and requires the two outputs to be identical bit for bit.
#   compare-modules.sh PROBE_A MODULE_A PROBE_B MODULE_B WORK_DIR
set -euo pipefail
probe_a="$1"; module_a="$2"; probe_b="$3"; module_b="$4"; work="$5"
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
render() {
    case "$1" in
    *.exe) "$here/wine-run.sh" "$1" "$2" "$3" ;;
    *) "$1" "$2" "$3" ;;
    esac
}
render "$probe_a" "$module_a" "$work/a.raw"
render "$probe_b" "$module_b" "$work/b.raw"
if ! cmp "$work/a.raw" "$work/b.raw"; then
    echo "$module_a and $module_b differ" >&2
    exit 1
fi
echo "identical: $(stat -c %s "$work/a.raw") bytes of output from $(basename "$module_a") and $(basename "$module_b")"
