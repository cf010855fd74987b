#!/usr/bin/env bash
# The run command: installs what the native build alone is missing, builds every
# Linux format (the VST2 module, the VST3 bundle, the CLAP module and the LV2
# bundle) and the command-line host, without the tests, and runs `korvo demo`,
# which renders a built-in signal through the plug-in and writes its files
# into korvo-demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --native
cmake -S . -B build/linux -G Ninja >/dev/null
cmake --build build/linux --target korvo KorvoEQ KorvoEQ_vst3_bundle KorvoEQ_clap KorvoEQ_lv2_bundle
build/linux/korvo demo
