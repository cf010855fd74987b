#!/usr/bin/env bash
# The run command: installs what the native build alone is missing, builds the
# Linux module and the command-line host, and runs `korvo demo`, which renders a
# built-in signal through the plug-in and writes its files into korvo-demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --native
cmake -S . -B build/linux -G Ninja -DKORVO_BUILD_TESTS=OFF >/dev/null
cmake --build build/linux --target korvo KorvoEQ
build/linux/korvo demo
