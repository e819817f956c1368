#!/bin/sh
# Runs each fuzz target for a bounded time, one after another:
#   scripts/run_fuzzers.sh <fuzz build dir> <seconds per target>
# New inputs go to <build>/corpus/<target>; the committed seeds and past
# findings are read, never written. A crash, a sanitizer report, a hang of
# more than 10 s or more than 2 GiB of memory fails the run and leaves the
# input in <build>/artifacts/: keep it in fuzz/regressions/<target>/ once it
# is fixed, and the ordinary tests replay it from then on.
set -eu
build=$1
seconds=$2
cd "$(dirname "$0")/.."
status=0
for target in parse_arguments load_jpeg run_converter; do
  work="$build/corpus/$target"
  mkdir -p "$work" "$build/artifacts"
  seeds="fuzz/corpus/$target"
  [ -d "fuzz/regressions/$target" ] && seeds="$seeds fuzz/regressions/$target"
  log="$build/$target.log"
  echo "Fuzzing $target for $seconds s"
  # shellcheck disable=SC2086
  if "$build/fuzz/${target}_fuzzer" "$work" $seeds \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
      >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
      sed "s/^/  /"
  else
    echo "  $target FAILED; see $log"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
