#!/usr/bin/env bash
# A Windows build (the DLL, the VST3 bundle or quendral.clap), driven under wine, must answer
# and sound like the Linux one: quendral-plugin-report of each platform writes a report of
# its build, and the two must match (texts exactly, samples within 1e-6).
# Usage: matches_linux.sh <Linux build dir> <Linux plug-in> <wine runner> <wine prefix>
#        <report.exe> <Windows plug-in> <output dir> <report name>
set -euo pipefail
tool=$1/tools/plugin_report/quendral-plugin-report
linux_plugin=$2 wine_run=$3 prefix=$4 report_exe=$5 plugin=$6 out=$7 name=$8
for file in "$tool" "$linux_plugin"; do
  if [ ! -e "$file" ]; then
    echo "the Linux build has no $file; scripts/build-windows.sh builds it" >&2
    exit 1
  fi
done
mkdir -p "$out"
"$tool" "$linux_plugin" "$out/$name-linux.txt"
"$wine_run" "$prefix" "$report_exe" "$plugin" "$out/$name-windows.txt"
"$tool" --compare "$out/$name-linux.txt" "$out/$name-windows.txt"
