#!/bin/sh
# Draws the README's figure from the program's own output: sox spectrograms
# of the example picture's sound at the default 24 steps per octave and at
# 200, into docs/images/example_s24.png and docs/images/example_s200.png.
#   scripts/draw_readme_figure.sh [lumitone binary, default build/lumitone]
# Needs sox (apt-get install sox).
set -eu
cd "$(dirname "$0")/.."
binary=${1:-build/lumitone}
command -v sox >/dev/null || { echo "$0: needs sox (apt-get install sox)" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/lumitone-figure-XXXXXX")
trap 'rm -rf "$work"' EXIT
for steps in 24 200; do
  "$binary" -i1:examples/lumitone.jpg -o:"$work/s$steps.wav" -d:5 -s:$steps \
    >/dev/null
  # A range of 60 dB shows the picture's marks without the faint ringing
  # that JPEG coding leaves around them.
  sox "$work/s$steps.wav" -n spectrogram -m -x 480 -y 257 -z 60 -c "" \
    -t "lumitone -i1:examples/lumitone.jpg -d:5 -s:$steps" \
    -o "docs/images/example_s$steps.png"
  echo "Wrote docs/images/example_s$steps.png"
done
