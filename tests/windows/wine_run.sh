#!/usr/bin/env bash
# Runs a Windows test program under wine in the build's own wine prefix, with a private
# Xvfb server as its display. ctest runs every Windows program through this script.
# Usage: wine_run.sh <wine prefix dir> <program.exe> [arguments...]
# Exit 77 (ctest: skipped) when wine or Xvfb is missing, unless QUENDRAL_REQUIRE_PACKAGES=1.
set -euo pipefail
prefix=$1
shift

missing() {
  echo "$1" >&2
  if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then exit 1; fi
  exit 77
}
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || missing "wine is not installed (Debian packages wine and wine64)"
command -v Xvfb >/dev/null || missing "Xvfb is not installed (Debian package xvfb)"

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the tests need neither.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# A private display for this run: windows, GDI and GDI+ need one.
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$prefix.display.$$" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$prefix.display.$$"' EXIT
for _ in $(seq 100); do
  [ -s "$prefix.display.$$" ] && break
  sleep 0.05
done
[ -s "$prefix.display.$$" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$prefix.display.$$")"

# Made once per build: a 64-bit prefix where "Arial" resolves to Liberation Sans (wine has
# no Arial of its own; GDI substitutes silently but GDI+ does not).
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.quendral-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
      /d 'Liberation Sans' /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Impact /t REG_SZ \
      /d 'Liberation Sans Narrow' /f >/dev/null 2>&1 || true
    touch "$prefix/.quendral-ready"
  fi
) 9>"$prefix.lock"

# A run at another screen DPI (QUENDRAL_WINE_DPI, in a prefix of its own): wine's system DPI.
if [ -n "${QUENDRAL_WINE_DPI:-}" ]; then
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$QUENDRAL_WINE_DPI" /f >/dev/null 2>&1
fi

"$wine" "$@"
