#!/usr/bin/env bash
# The test command: installs what is missing, builds the Linux module and both
# Windows modules and runs every test, the Windows ones under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/linux
ctest --output-on-failure --timeout 900
for width in windows windows-x64; do
    shot="$PWD/../$width/editor-screenshot.bmp"
    if [ -f "$shot" ]; then
        echo "Editor screenshot from the Wine test ($width): $(cd "$(dirname "$shot")" && pwd)/$(basename "$shot")"
    fi
done
