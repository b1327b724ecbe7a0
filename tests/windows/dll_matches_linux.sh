#!/usr/bin/env bash
# The DLL, driven under wine, must answer and sound like the Linux plug-in: both are
# loaded by the report tool of their platform, and the two reports must match (texts
# exactly, samples within 1e-6).
# Usage: dll_matches_linux.sh <linux build dir> <wine runner> <wine prefix>
#        <report.exe> <quendral.dll> <output dir>
set -euo pipefail
linux_build=$1 wine_run=$2 prefix=$3 report_exe=$4 dll=$5 out=$6
linux_report_tool=$linux_build/tools/plugin_report/quendral-plugin-report
linux_plugin=$linux_build/quendral.so
if [ ! -x "$linux_report_tool" ] || [ ! -f "$linux_plugin" ]; then
  echo "the Linux build in $linux_build has no quendral.so or quendral-plugin-report;" \
    "scripts/build-windows.sh builds them" >&2
  exit 1
fi
mkdir -p "$out"
"$linux_report_tool" "$linux_plugin" "$out/report-linux.txt"
"$wine_run" "$prefix" "$report_exe" "$dll" "$out/report-windows.txt"
"$linux_report_tool" --compare "$out/report-linux.txt" "$out/report-windows.txt"
