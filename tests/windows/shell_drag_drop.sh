#!/usr/bin/env bash
# A file dragged from the X desktop onto the DLL's editor under wine: a GTK drag source (as
# Linux file managers are) offers it as text/uri-list, xdotool plays the user's hand, and
# wine hands the drop to the panel's window as WM_DROPFILES. editor_drag_target.exe, the
# Windows side, checks that the refusal shows and the plug-in's state stays.
# Usage: shell_drag_drop.sh <wine_run.sh> <wine prefix> <editor_drag_target.exe>
#        <gtk_drag_source.py> <work dir>
# Exit 77 (ctest: skipped) when wine, xdotool, GTK's Python bindings or the SOFA file are
# missing, unless QUENDRAL_REQUIRE_PACKAGES=1.
set -euo pipefail
wine_run=$1 prefix=$2 target=$3 drag_source=$4 work=$5

missing() {
  echo "$1" >&2
  if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then exit 1; fi
  exit 77
}
command -v xdotool >/dev/null || missing "xdotool is not installed (Debian package xdotool)"
# Debian's Python, where python3-gi installs (another python3 may come first on PATH).
python=/usr/bin/python3
"$python" -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' \
  2>/dev/null || missing "GTK 3 for Python is missing (Debian: python3-gi gir1.2-gtk-3.0)"
sofa=/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa
[ -f "$sofa" ] || missing "$sofa is missing (Debian package libmysofa1)"

rm -rf "$work"
mkdir -p "$work"
# A name with a space, letters outside ASCII and a character that URIs escape.
file="$work/Kunstkopf Ørsted #2 音場.sofa"
cp "$sofa" "$file"
mkfifo "$work/target.out" "$work/source.in" "$work/source.out"

"$wine_run" "$prefix" "$target" >"$work/target.out" 2>&1 &
target_pid=$!
source_pid=
cleanup() {
  if [ -n "$source_pid" ]; then kill "$source_pid" 2>/dev/null || true; fi
  kill "$target_pid" 2>/dev/null || true
}
trap cleanup EXIT
exec {target_out}<"$work/target.out"

# Reads lines of fd $1 (echoing them to stderr) until one starts with $2, for $3 s at most.
await() {
  local fd=$1 word=$2 deadline=$((SECONDS + $3))
  while [ $SECONDS -lt $deadline ]; do
    IFS= read -r -t 1 -u "$fd" line || { [ $? -gt 128 ] && continue; return 1; }
    echo "$line" >&2
    case $line in "$word"*) reply=$line; return 0 ;; esac
  done
  return 1
}

if ! await "$target_out" ready 180; then
  status=0
  wait "$target_pid" || status=$?
  exit $((status == 0 ? 1 : status))  # wine_run.sh's 77 when wine is missing
fi
read -r _ display drop_x drop_y <<<"$reply"
export DISPLAY=$display

"$python" "$drag_source" "$file" 600 420 <"$work/source.in" >"$work/source.out" 2>&1 &
source_pid=$!
exec {source_in}>"$work/source.in" {source_out}<"$work/source.out"
await "$source_out" ready 20 || { echo "the GTK drag source did not show its window" >&2; exit 1; }
read -r _ left top width height <<<"$reply"
from_x=$((left + width / 2)) from_y=$((top + height / 2))

# Past GTK's drag threshold, then over the panel in steps, and let go there.
xdotool mousemove "$from_x" "$from_y" sleep 0.15 mousedown 1 sleep 0.1 \
  mousemove $((from_x - 20)) $((from_y + 5)) sleep 0.1 \
  mousemove $((drop_x + 150)) "$drop_y" sleep 0.1 mousemove $((drop_x + 40)) "$drop_y" \
  sleep 0.1 mousemove "$drop_x" "$drop_y" sleep 0.4 mouseup 1
await "$source_out" end 10 || echo "the drag source saw no end of the drag" >&2

status=0
while IFS= read -r -u "$target_out" line; do echo "$line" >&2; done
wait "$target_pid" || status=$?
exec {source_in}>&-
exit "$status"
