#!/usr/bin/env bash
# The main job on a fresh machine: installs the main job's packages, builds the plug-in and
# quendral-render (no tests, no benchmarks), installs them (~/.vst/quendral.so,
# ~/.local/bin/quendral-render) and renders the demo into demo/.
# Usage: scripts/demo.sh [--no-deps]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--no-deps" ]; then scripts/install-deps.sh main; fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUENDRAL_TESTS=OFF -DQUENDRAL_BENCHMARKS=OFF
cmake --build build -j2
cmake --install build
scripts/render-demo.sh build demo
