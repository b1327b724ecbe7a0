#!/usr/bin/env bash
# The main job on a fresh machine: installs the main job's packages, builds the plug-ins,
# quendral-render and quendral-snapshot (no tests, no benchmarks), installs the plug-ins and
# quendral-render for this user (~/.vst/quendral.so, ~/.vst3/quendral.vst3,
# ~/.lv2/quendral.lv2, ~/.clap/quendral.clap, ~/.local/bin/quendral-render), renders the
# demo into demo/ and says what is left to the user (PATH, the VST2 folder for Ardour).
# Usage: scripts/demo.sh [--no-deps]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--no-deps" ]; then scripts/install-deps.sh main; fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUENDRAL_TESTS=OFF -DQUENDRAL_BENCHMARKS=OFF
cmake --build build -j2
cmake --install build
scripts/render-demo.sh build demo

# What the install cannot do itself.
case ":$PATH:" in
  *":$HOME/.local/bin:"*) ;;
  *)
    echo "note: $HOME/.local/bin is not on your PATH, so \`quendral-render\` alone is not found:"
    echo "      run $HOME/.local/bin/quendral-render, or add the folder for this shell with"
    echo "      export PATH=\"\$HOME/.local/bin:\$PATH\" (Debian's ~/.profile adds it at the next"
    echo "      login when the folder exists)"
    ;;
esac
echo "note: the VST2 plug-in is in $HOME/.vst; Ardour does not look there by default: add the folder"
echo "      to its Linux VST path (Preferences > Plugins), or install for every user with"
echo "      sudo cmake --install build --prefix /usr/local (see README.md, Installing into a DAW)"
