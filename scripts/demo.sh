#!/usr/bin/env bash
# The main job on a fresh machine: installs what is needed, builds, installs the plug-in
# into ~/.vst/ and renders the demo into demo/. Usage: scripts/demo.sh [--no-deps]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--no-deps" ]; then scripts/install-deps.sh; fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2
cmake --install build
if [ -x scripts/render-demo.sh ]; then scripts/render-demo.sh build demo; fi
