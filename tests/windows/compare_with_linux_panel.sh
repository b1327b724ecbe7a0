#!/usr/bin/env bash
# The panel the Windows editor drew under wine (editor_window_test's picture) against the
# Linux editor's panel (quendral-snapshot of the Linux build): same layout and same colours.
# Both pictures are compared in cells of 5 x 5 pixels, averaged, so that what differs by
# design (wine draws GDI+ shapes without anti-aliasing, and each platform rasterises its
# fonts its own way) stays below the tolerance while a missing, moved or recoloured control
# does not. The response display and the meter are left out: the snapshot feeds the
# plug-in audio, the Windows test does not.
# Usage: compare_with_linux_panel.sh <linux build dir> <windows picture.ppm> <output dir>
set -euo pipefail
linux_build=$1 windows_picture=$2 out=$3
missing() {
  echo "$1" >&2
  if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then exit 1; fi
  exit 77
}
command -v compare >/dev/null || missing "ImageMagick is not installed (Debian package imagemagick)"
snapshot=$linux_build/tools/snapshot/quendral-snapshot
if [ ! -x "$snapshot" ]; then
  echo "$snapshot is missing; scripts/build-windows.sh builds it" >&2
  exit 1
fi
if [ ! -f "$windows_picture" ]; then
  echo "$windows_picture is missing: editor_window_test writes it" >&2
  exit 1
fi

mkdir -p "$out"
"$snapshot" "$out/editor-linux.png"
convert "$windows_picture" "$out/editor-windows.png"
for name in linux windows; do
  convert "$out/editor-$name.png" -fill black \
    -draw "rectangle 5,33 204,232" -draw "rectangle 415,35 431,252" \
    -filter box -resize 20% "$out/editor-$name-cells.png"
done
allowed=60
differing=$(compare -metric AE -fuzz 15% "$out/editor-linux-cells.png" \
  "$out/editor-windows-cells.png" null: 2>&1 || true)
echo "cells whose colour differs by more than 15%: $differing of 5742 (at most $allowed allowed)"
[ "$differing" -le "$allowed" ]
