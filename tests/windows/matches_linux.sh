#!/usr/bin/env bash
# A Windows plug-in (the DLL or the VST3 bundle), driven under wine, must answer and sound
# like the Linux one: each is loaded by the report tool of its platform, and the two reports
# must match (texts exactly, samples within 1e-6), as quendral-plugin-report compares them.
# Usage: matches_linux.sh <Linux build dir> <Linux report tool> <Linux plug-in> <wine runner>
#        <wine prefix> <report.exe> <Windows plug-in> <output dir> <report name>
set -euo pipefail
compare=$1/tools/plugin_report/quendral-plugin-report
linux_tool=$2 linux_plugin=$3 wine_run=$4 prefix=$5 report_exe=$6 plugin=$7 out=$8 name=$9
for file in "$compare" "$linux_tool" "$linux_plugin"; do
  if [ ! -e "$file" ]; then
    echo "the Linux build has no $file; scripts/build-windows.sh builds it" >&2
    exit 1
  fi
done
mkdir -p "$out"
"$linux_tool" "$linux_plugin" "$out/$name-linux.txt"
"$wine_run" "$prefix" "$report_exe" "$plugin" "$out/$name-windows.txt"
"$compare" --compare "$out/$name-linux.txt" "$out/$name-windows.txt"
