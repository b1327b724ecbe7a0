#!/usr/bin/env bash
# A Windows plug-in (the DLL or the VST3 bundle), driven under wine, must answer and sound
# like the Linux one: each is loaded by the report tool of its platform, and the two reports
# must match (texts exactly, samples within 1e-6).
# Usage: matches_linux.sh <Linux report tool> <Linux plug-in> <wine runner> <wine prefix>
#        <report.exe> <Windows plug-in> <output dir> <report name>
set -euo pipefail
linux_tool=$1 linux_plugin=$2 wine_run=$3 prefix=$4 report_exe=$5 plugin=$6 out=$7 name=$8
if [ ! -x "$linux_tool" ] || [ ! -e "$linux_plugin" ]; then
  echo "the Linux build has no $linux_plugin or $linux_tool; scripts/build-windows.sh builds them" >&2
  exit 1
fi
mkdir -p "$out"
"$linux_tool" "$linux_plugin" "$out/$name-linux.txt"
"$wine_run" "$prefix" "$report_exe" "$plugin" "$out/$name-windows.txt"
"$linux_tool" --compare "$out/$name-linux.txt" "$out/$name-windows.txt"
