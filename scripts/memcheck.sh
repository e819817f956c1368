#!/bin/sh
# Runs the converter under Valgrind's memcheck on a mono and a stereo
# conversion and on every way a run can fail: bad words, missing, damaged and
# hostile pictures, inputs that are not files, and each output fault. Any
# memcheck error or leak, or an exit status other than the expected one,
# fails the script.
#   scripts/memcheck.sh <lumitone binary>
set -eu
binary=$1
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/lumitone-memcheck-XXXXXX")
trap 'rm -rf "$work"' EXIT
seeds=fuzz/corpus/load_jpeg
picture=examples/lumitone.jpg
failures=0
runs=0

# check <expected status> <words...>; counts and reports a failure.
check() {
  expected=$1
  shift
  runs=$((runs + 1))
  set +e
  valgrind -q --error-exitcode=99 --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all "$binary" "$@" >"$work/out" 2>"$work/err"
  status=$?
  set -e
  if [ "$status" -ne "$expected" ]; then
    failures=$((failures + 1))
    echo "FAILED (status $status, expected $expected): $*"
    cat "$work/err"
  fi
  rm -f "$work/out.wav"
}

out="-o:$work/out.wav"
check 0 "-i1:$picture" "$out" -d:0.01
check 0 "-i1:$picture" "-i2:$seeds/progressive.jpg" "$out" -d:0.01 -s:12 -f:50-8000
check 255
check 255 "-i1:$picture" "$out" -d:0
check 255 "-i1:$picture" "$out" -d:1 -f:2000-1000
check 255 "-i1:$work/missing.jpg" "$out" -d:0.01
check 255 "-i1:$picture" "-i2:$work/missing.jpg" "$out" -d:0.01
check 255 "-i1:$work" "$out" -d:0.01
check 255 -i1:/dev/zero "$out" -d:0.01
mkfifo "$work/fifo"
check 255 "-i1:$work/fifo" "$out" -d:0.01
for name in grey cmyk arithmetic 12-bit cut cut-progressive huge-header \
    many-scans passes; do
  check 255 "-i1:$seeds/$name.jpg" "$out" -d:0.01
done
check 255 "-i1:$picture" "-o:$work" -d:0.01
check 255 "-i1:$picture" "-o:$work/no/such/dir.wav" -d:0.01
check 255 "-i1:$picture" -o:/dev/full -d:0.01
check 255 "-i1:$picture" "-o:$work/fifo" -d:0.01
check 255 "-i1:$picture" "-o:$picture" -d:0.01
cp "$picture" "$work/copy.jpg"
ln -s "$work/copy.jpg" "$work/link.jpg"
check 255 "-i1:$picture" "-i2:$work/copy.jpg" "-o:$work/link.jpg" -d:0.01
# The file system fills up in the middle of the samples (8 KiB file limit).
runs=$((runs + 1))
(failures=0 && ulimit -f 8 && check 255 "-i1:$picture" "$out" -d:1 &&
  [ "$failures" -eq 0 ]) || failures=$((failures + 1))

echo "memcheck: $runs runs, $failures failed"
[ "$failures" -eq 0 ]
