#!/usr/bin/env bash
# The Windows VST3 bundle, driven under wine by our VST3 host, must answer and sound like
# the Linux bundle: both are loaded by the report tool of their platform, and the two
# reports must match (texts exactly, samples within 1e-6).
# Usage: vst3_matches_linux.sh <linux build dir> <wine runner> <wine prefix>
#        <report.exe> <quendral.vst3 bundle> <output dir>
set -euo pipefail
linux_build=$1 wine_run=$2 prefix=$3 report_exe=$4 bundle=$5 out=$6
linux_report_tool=$linux_build/tests/vst3/quendral-vst3-report
linux_bundle=$linux_build/quendral.vst3
if [ ! -x "$linux_report_tool" ] || [ ! -d "$linux_bundle" ]; then
  echo "the Linux build in $linux_build has no quendral.vst3 or quendral-vst3-report;" \
    "scripts/build-windows.sh builds them" >&2
  exit 1
fi
mkdir -p "$out"
"$linux_report_tool" "$linux_bundle" "$out/vst3-report-linux.txt"
"$wine_run" "$prefix" "$report_exe" "$bundle" "$out/vst3-report-windows.txt"
"$linux_report_tool" --compare "$out/vst3-report-linux.txt" "$out/vst3-report-windows.txt"
