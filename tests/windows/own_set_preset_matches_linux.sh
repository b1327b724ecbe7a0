#!/usr/bin/env bash
# A preset holding a user's own response set, saved by the Linux build's quendral-render from
# a copy of Debian's MIT KEMAR SOFA file (gone before the preset is loaded), must load into
# the DLL under wine and sound as it does in quendral.so: each is given the preset by
# quendral-plugin-report of its platform, and the two reports must match (texts exactly,
# samples within 1e-6). A preset without the set must sound different in quendral.so, so a
# DLL that lost the set on the way could not pass.
# Usage: own_set_preset_matches_linux.sh <linux build dir> <wine runner> <wine prefix>
#        <plugin-report.exe> <quendral.dll> <output dir>
set -euo pipefail
linux_build=$1 wine_run=$2 prefix=$3 report_exe=$4 dll=$5 out=$6
mit_kemar=/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa
render_tool=$linux_build/quendral-render
report_tool=$linux_build/tools/plugin_report/quendral-plugin-report
linux_plugin=$linux_build/quendral.so
for file in "$render_tool" "$report_tool" "$linux_plugin"; do
  if [ ! -e "$file" ]; then
    echo "the Linux build in $linux_build has no $(basename "$file"); scripts/build-windows.sh" \
      "builds it" >&2
    exit 1
  fi
done
if [ ! -f "$mit_kemar" ] || ! command -v sox >/dev/null; then
  echo "$mit_kemar or sox is not installed (Debian packages libmysofa1, sox)" >&2
  if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then exit 1; fi
  exit 77
fi
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# quendral-render saves a preset after rendering something: 10 ms of silence.
sox -n -r 44100 -c 1 "$work/silence.wav" trim 0 0.01
cp "$mit_kemar" "$work/my-head.sofa"
"$render_tool" -q --plugin "$linux_plugin" --sofa "$work/my-head.sofa" \
  --save-preset "$out/own-set.fxp" "$work/silence.wav" "$work/rendered.wav"
"$render_tool" -q --plugin "$linux_plugin" --save-preset "$out/built-in.fxp" \
  "$work/silence.wav" "$work/rendered.wav"
rm "$work/my-head.sofa"

"$report_tool" "$linux_plugin" "$out/own-set.fxp" "$out/own-set-linux.txt"
"$report_tool" "$linux_plugin" "$out/built-in.fxp" "$out/built-in-linux.txt"
grep '^samples angle' "$out/own-set-linux.txt" >"$work/own-set-samples.txt"
grep '^samples angle' "$out/built-in-linux.txt" >"$work/built-in-samples.txt"
if "$report_tool" --compare "$work/own-set-samples.txt" "$work/built-in-samples.txt" \
  >/dev/null 2>&1; then
  echo "the own set sounds like the built-in set in quendral.so" >&2
  exit 1
fi

"$wine_run" "$prefix" "$report_exe" "$dll" "$out/own-set.fxp" "$out/own-set-windows.txt"
"$report_tool" --compare "$out/own-set-linux.txt" "$out/own-set-windows.txt"
