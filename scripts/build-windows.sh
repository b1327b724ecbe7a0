#!/usr/bin/env bash
# Cross-builds the Windows plug-in and its tests with mingw-w64: build-windows/quendral.dll,
# the test programs and their ctest list. `ctest --test-dir build-windows` then runs the
# tests under wine, comparing the DLL with the Linux plug-in of the Linux build.
# Usage: scripts/build-windows.sh [Windows build dir]   (default build-windows)
# Environment: LINUX_BUILD (default build; configured here if it does not exist), JOBS (2).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
linux_build=${LINUX_BUILD:-build}
jobs=${JOBS:-2}

generator=()
launcher=()
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# The pieces of the Linux build that the Windows tests compare against (built for the
# build machine).
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S . -B "$linux_build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$linux_build" -j"$jobs" --target quendral_plugin quendral-plugin-report quendral-about-picture \
  quendral-snapshot

cmake -S . -B "$dir" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DQUENDRAL_LINUX_BUILD_DIR="$(cd "$linux_build" && pwd)"
cmake --build "$dir" -j"$jobs"
