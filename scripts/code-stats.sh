#!/usr/bin/env bash
# Lines of product code and of tests (non-blank lines of C++, C, Python, shell and Lua), and
# their ratio. Generated data is left out: the response tables and sets (ring and sphere)
# written by the generators, and the measured renders the regression test compares with.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.inc' \
    -o -name '*.py' -o -name '*.sh' -o -name '*.lua' \) \
    ! -path dsp/response_table_data.cpp ! -path dsp/response_set_data.cpp \
    ! -path dsp/sphere_set_data.cpp \
    ! -path tests/dsp/measured_azimuth_renders.inc -print0 |
    xargs -0 cat | grep -cv '^[[:space:]]*$'
}
product=$(count core dsp editor gui host formats tools resources)
tests=$(count tests)
echo "product code: $product lines (core dsp editor gui host formats tools resources)"
echo "tests:        $tests lines (tests)"
awk -v t="$tests" -v p="$product" 'BEGIN { printf "ratio:        %.2f\n", t / p }'
