#!/usr/bin/env bash
# Cross-builds the Windows plug-ins and their tests with mingw-w64: build-windows/quendral.dll,
# the VST3 bundle build-windows/quendral.vst3/, the test programs and their ctest list.
# `ctest --test-dir build-windows` then runs the tests under wine, comparing the DLL and the
# bundle with the Linux plug-ins of the Linux build.
# Needs the test packages (scripts/install-deps.sh all): mingw-w64, wine, GoogleTest's source.
# Usage: scripts/build-windows.sh [Windows build dir [target...]]   (default build-windows,
#        every target)
# Environment: LINUX_BUILD (default build: made here if it does not exist, and its tests
#              turned on if they are off, as after scripts/demo.sh), JOBS (2).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
targets=("${@:2}")
linux_build=${LINUX_BUILD:-build}
jobs=${JOBS:-2}

generator=()
launcher=()
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# The pieces of the Linux build that the Windows tests compare against (built for the
# build machine): the plug-in report comes only with its tests on; quendral-render
# saves the preset with a user's own response set that the DLL must load.
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=OFF
elif ! grep -q '^QUENDRAL_TESTS:BOOL=ON$' "$linux_build/CMakeCache.txt"; then
  echo "build-windows: turning QUENDRAL_TESTS on in $linux_build (the Windows tests need its tools)"
  cmake -S . -B "$linux_build" -DQUENDRAL_TESTS=ON
fi
cmake --build "$linux_build" -j"$jobs" --target quendral_plugin quendral-plugin-report quendral-about-picture \
  quendral-snapshot quendral_vst3 quendral_clap quendral-render

cmake -S . -B "$dir" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DQUENDRAL_LINUX_BUILD_DIR="$(cd "$linux_build" && pwd)"
cmake --build "$dir" -j"$jobs" ${targets[@]+--target "${targets[@]}"}
