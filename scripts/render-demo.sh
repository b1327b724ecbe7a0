#!/usr/bin/env bash
# Renders the headphone demo: a short mono source made on this machine (speech from
# espeak-ng when it is installed, then pink-noise bursts), placed at fixed angles and swept
# once round the head, each as its own file, plus LISTEN.txt saying what to listen for.
# Usage: scripts/render-demo.sh <build-dir> <demo-dir>
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 <build-dir> <demo-dir>" >&2
  exit 2
fi
build=$1
demo=$2
here=$(cd "$(dirname "$0")" && pwd)
tool="$build/quendral-render"
if [ ! -x "$tool" ]; then
  echo "render-demo: $tool not found: build the project first" >&2
  exit 1
fi
if ! command -v sox >/dev/null; then
  echo "render-demo: sox is needed to make the demo's source (apt-get install sox)" >&2
  exit 1
fi

mkdir -p "$demo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rate=44100

# The source: a spoken sentence (or, without espeak-ng, a few plucked notes), then three
# short bursts of pink noise, which are the easiest sounds to place. It peaks at -10 dBFS:
# at the ear nearer the source the responses raise the level by up to about 5 dB for the
# speech and 8 dB for the plucked notes (the coarse set's turn round the head is the
# loudest file), so every file keeps headroom and survives 16- or 24-bit playback and
# conversion unclipped. The noise is sox's default random sequence (-R): the same each run.
if command -v espeak-ng >/dev/null; then
  espeak-ng -v en -s 150 -w "$work/speech.wav" \
    "Here I am. Close your eyes and point to where you hear me."
  sox "$work/speech.wav" -r $rate -c 1 "$work/voice.wav"
else
  for f in 262 330 392 523; do
    sox -R -n -r $rate -c 1 "$work/note-$f.wav" synth 0.4 pluck $f fade t 0 0.4 0.2
  done
  sox "$work"/note-*.wav "$work/voice.wav"
fi
sox -n -r $rate -c 1 "$work/gap.wav" trim 0 0.25
sox -R -n -r $rate -c 1 "$work/burst.wav" synth 0.25 pinknoise fade t 0.01 0.25 0.05
sox "$work/voice.wav" "$work/gap.wav" "$work/burst.wav" "$work/gap.wav" "$work/burst.wav" \
  "$work/gap.wav" "$work/burst.wav" "$work/gap.wav" "$demo/source.wav" norm -10

render() { "$tool" --quiet "$@"; }

# Fixed places: 0 is ahead, 90 the right ear, 180 behind, 270 the left ear.
render --angle 0 "$demo/source.wav" "$demo/01-front.wav"
render --angle 90 "$demo/source.wav" "$demo/02-right.wav"
render --angle 180 "$demo/source.wav" "$demo/03-behind.wav"
render --angle 270 "$demo/source.wav" "$demo/04-left.wav"

# Once round the head, clockwise seen from above, in the source's own length: the
# envelope's halfway point is straight ahead, and one cycle takes 1/speed seconds.
seconds=$(soxi -D "$demo/source.wav")
speed=$(awk -v s="$seconds" 'BEGIN { printf "%.6f", 1 / s }')
render --lfo-position 0.5 --lfo-speed "$speed" "$demo/source.wav" "$demo/05-round-the-head.wav"
render --set 2 --lfo-position 0.5 --lfo-speed "$speed" "$demo/source.wav" \
  "$demo/06-round-the-head-coarse-set.wav"

# No file may reach full scale. sox reads float files clipped to 1, so a file that went
# over shows a peak of 1 here.
for file in "$demo"/*.wav; do
  peak=$(sox "$file" -n stat 2>&1 | awk '/^Maximum amplitude/ { max = $3 }
    /^Minimum amplitude/ { min = -$3 } END { print (max > min ? max : min) }')
  if awk -v p="$peak" 'BEGIN { exit !(p >= 0.99) }'; then
    echo "render-demo: $file peaks at $peak: no headroom left" >&2
    exit 1
  fi
done

cp "$here/render-demo-listening-notes.txt" "$demo/LISTEN.txt"
echo "demo written to $demo/ (read $demo/LISTEN.txt, then listen on headphones: play $demo/02-right.wav)"
