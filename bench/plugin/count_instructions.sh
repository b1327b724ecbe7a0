#!/usr/bin/env bash
# Instructions per 128-sample frame for every subject of the plug-in benchmark, counted by
# callgrind around the processing calls only (deterministic, unlike CPU time on a busy box).
#   bench/plugin/count_instructions.sh BUILD_DIR [--plugin OTHER.so]... [--rates 44100]
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [quendral_plugin_bench options]" >&2
  exit 2
fi
bench="$1/bench/plugin/quendral_plugin_bench"
shift
[ -x "$bench" ] || { echo "$bench not built" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
# Third-party plug-ins may open the X display; point them at one that is not there, so a
# server that happens to run (and goes away meanwhile) cannot break the count.
export DISPLAY=:4242
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out/counts.%p" \
  "$bench" --instructions --seconds 1 "$@" >/dev/null 2>"$out/valgrind.log" ||
  { cat "$out/valgrind.log" >&2; exit 1; }
printf '%-8s %-48s %9s %14s\n' build subject rate instr/frame
for dump in "$out"/counts.*.*; do
  # desc: Trigger: Client Request: BUILD | SUBJECT | RATE | frames=N
  awk -F': ' '
    /^desc: Trigger: Client Request:/ { split($0, p, "Client Request: "); name = p[2] }
    /^(summary|totals): / { if (total == "") total = $2 }
    END {
      n = split(name, f, " \\| ")
      sub("frames=", "", f[4])
      printf "%-8s %-48s %9s %14.0f\n", f[1], f[2], f[3], total / f[4]
    }' "$dump"
done | sort -k1,1 -s
