#!/usr/bin/env bash
# Installs what is needed, builds the release, ASan+UBSan and ThreadSanitizer configurations,
# and runs every test suite in each. Usage: scripts/test.sh [--no-deps]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--no-deps" ]; then scripts/install-deps.sh all; fi
jobs=2

# Every C++ file in the project's one style (.clang-format).
scripts/check-format.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# ---- Windows: quendral.dll cross-built with mingw-w64, its tests run under wine ----------
# (needs the release build above: the DLL is compared with its quendral.so)
scripts/build-windows.sh build-windows
ctest --test-dir build-windows --output-on-failure -j"$jobs"
# ------------------------------------------------------------------------------------------

# Same tests with AddressSanitizer and UndefinedBehaviorSanitizer (benchmarks left out).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUENDRAL_SANITIZE=ON -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# Same tests with ThreadSanitizer: parameter changes, MIDI and editor idle race the audio
# thread in several suites; every value they share must be free of data races. Tests that
# run the plug-in on one thread only (label no_threads) have nothing to show it: left out.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUENDRAL_TSAN=ON -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=OFF
cmake --build build-tsan -j"$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j"$jobs" -LE no_threads

# ---- clang: engine and plug-in tests under clang's ASan+UBSan, then 60 s of fuzzing -------
# clang's sanitizers catch what gcc's do not. The same build is instrumented for the fuzz
# target (tests/fuzz), which drives the plug-in as a hostile host; scripts/fuzz.sh runs it.
# tests/behaviour runs every format through the same host-side interface.
cmake -S . -B build-clang-asan -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 -DQUENDRAL_SANITIZE=ON \
  -DQUENDRAL_FUZZ=ON -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=OFF
cmake --build build-clang-asan -j"$jobs" --target quendral_engine_and_plugin_suites
for suite in dsp plugin behaviour fuzz; do
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "build-clang-asan/tests/$suite" --output-on-failure -j"$jobs"
done
scripts/fuzz.sh 60
# ------------------------------------------------------------------------------------------
