#!/usr/bin/env bash
# Installs what is missing, builds KorvoEQ.so and KorvoEQ.dll, and renders a
# built-in signal through both modules, as a host would, to show they load,
# process audio and agree bit for bit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
KORVO_SKIP_SANITIZERS=1 bash scripts/build.sh
mkdir -p korvo-demo
scripts/compare-modules.sh build/linux/tests/korvo_render_probe build/linux/KorvoEQ.so \
    build/windows/tests/korvo_render_probe.exe build/windows/KorvoEQ.dll korvo-demo
echo "Linux module:   $PWD/build/linux/KorvoEQ.so"
echo "Windows module: $PWD/build/windows/KorvoEQ.dll"
