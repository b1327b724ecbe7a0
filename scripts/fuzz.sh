#!/usr/bin/env bash
# Fuzzes the plug-in through its binary interface for a given time: builds the clang
# AddressSanitizer + UndefinedBehaviorSanitizer build with coverage instrumentation
# (build-clang-asan) and runs tests/fuzz's target from the seed corpus. New inputs go to
# build-clang-asan/fuzz-corpus, any input that breaks a rule to build-clang-asan/fuzz-findings.
# Usage: scripts/fuzz.sh [sofa|osc] [seconds, default 600] [more libFuzzer options]
# With "sofa" first it fuzzes the own-set reader (tests/fuzz/sofa_fuzzer.cpp) instead; its
# finds inside Debian's libmysofa show as crashes without a sanitizer report of ours. With
# "osc" it fuzzes the head trackers' OSC parser (tests/fuzz/osc_fuzzer.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
target=plugin_fuzzer
seeds=tests/fuzz/corpus
found=fuzz-corpus
if [ "${1:-}" = sofa ]; then
  target=sofa_fuzzer
  seeds=tests/fuzz/sofa_corpus
  found=fuzz-corpus-sofa
  shift
elif [ "${1:-}" = osc ]; then
  target=osc_fuzzer
  seeds=tests/fuzz/osc_corpus
  found=fuzz-corpus-osc
  shift
fi
seconds=${1:-600}
shift || true
build=build-clang-asan

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 -DQUENDRAL_SANITIZE=ON \
  -DQUENDRAL_FUZZ=ON -DQUENDRAL_TESTS=ON -DQUENDRAL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 --target "$target"
mkdir -p "$build/$found" "$build/fuzz-findings"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-findings/" "$@" "$build/$found" "$seeds"
