#!/usr/bin/env bash
# The test command: installs what is missing, builds both modules and runs every
# test, the Windows ones under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/linux
ctest --output-on-failure --timeout 900
shot="$PWD/../windows/editor-screenshot.bmp"
if [ -f "$shot" ]; then
    echo "Editor screenshot from the Wine test: $(cd "$(dirname "$shot")" && pwd)/$(basename "$shot")"
fi
