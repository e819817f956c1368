#!/bin/sh
# Builds in Release and prints the synthesis figures. Arguments go to the
# benchmark (--quick skips the two longest workloads; --threads=N).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target lumitone_bench >/dev/null
exec build/lumitone_bench "$@"
