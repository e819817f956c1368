#!/bin/sh
# Times whole runs of build/lumitone side by side with the plain loops
# (build/lumitone_plain) or with another lumitone binary, on the benchmark's
# workload pictures, and checks that every WAV file is the same byte for
# byte. Prints the median wall time of each over RUNS alternating runs.
#
# Usage: bench/whole_runs.sh [other-binary]   (RUNS=5 by default)
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${RUNS:-5}
other=$(realpath "${1:-build/lumitone_plain}")
new=$root/build/lumitone
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target lumitone lumitone_bench \
  lumitone_plain >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/lumitone_bench --write-pictures="$work"
for name in dense noise text; do
  cjpeg -quality 90 "$work/$name.ppm" >"$work/$name.jpg"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Wall time of one run in seconds, to the millisecond (time(1) gives only
# hundredths, too coarse for runs of a few tens of milliseconds).
timed() {
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$start $end" | awk '{ printf "%.4f\n", $2 - $1 }'
}

compare() {
  label=$1
  shift
  : >"$work/a"
  : >"$work/b"
  for _ in $(seq "$runs"); do
    timed "$other" "$@" -o:"$work/other.wav" >>"$work/a"
    timed "$new" "$@" -o:"$work/new.wav" >>"$work/b"
    cmp -s "$work/other.wav" "$work/new.wav" || echo "$label: FILES DIFFER"
  done
  a=$(median <"$work/a")
  b=$(median <"$work/b")
  printf '%-34s %9s %9s %7.1f\n' "$label" "$a" "$b" \
    "$(echo "$a $b" | awk '{ print $1 / ($2 > 0 ? $2 : 0.001) }')"
}

printf '%-34s %9s %9s %7s\n' workload "other s" "new s" ratio
cd "$work"
compare "dense 640x480 mono 10 s" -i1:dense.jpg -d:10
compare "dense + noise stereo 10 s" -i1:dense.jpg -i2:noise.jpg -d:10
compare "text on black stereo 10 s" -i1:text.jpg -i2:text.jpg -d:10
compare "dense mono 2 s -s:240" -i1:dense.jpg -d:2 -s:240
if [ "$other" != "$root/build/lumitone_plain" ]; then
  compare "dense mono 10 s -s:1000 20-20k" -i1:dense.jpg -d:10 -s:1000 \
    -f:20-20000
fi
