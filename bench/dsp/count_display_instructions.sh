#!/usr/bin/env bash
# Instructions per engine frame with and without an open editor asking for the display
# spectra, counted by callgrind (deterministic, unlike CPU time on a busy machine).
#   bench/dsp/count_display_instructions.sh BUILD_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
program="$1/bench/dsp/quendral_display_cost"
[ -x "$program" ] || { echo "$program not built" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/counts.%p" \
  "$program" >/dev/null 2>"$out/valgrind.log" || { cat "$out/valgrind.log" >&2; exit 1; }
printf '%-6s %-8s %14s %14s %8s\n' rate angle "no editor" "editor open" cost
for dump in "$out"/counts.*.*; do
  # desc: Trigger: Client Request: ANGLE | EDITOR | RATE | frames=N
  awk -F': ' '
    /^desc: Trigger: Client Request:/ { split($0, p, "Client Request: "); name = p[2] }
    /^(summary|totals): / { if (total == "") total = $2 }
    END {
      split(name, f, " \\| ")
      sub("frames=", "", f[4])
      printf "%s|%s|%s|%.0f\n", f[3], f[1], f[2], total / f[4]
    }' "$dump"
done | sort | awk -F'|' '
  { key = $1 "|" $2; count[key, $3] = $4; keys[key] = 1 }
  END {
    for (key in keys) {
      split(key, k, "|")
      closed = count[key, "no editor"]; open = count[key, "editor open"]
      printf "%-6s %-8s %14d %14d %+7.1f%%\n", k[1], k[2], closed, open, 100 * (open / closed - 1)
    }
  }' | sort -n
