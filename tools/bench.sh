#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: the micro-benchmarks of the hot pieces (Google
# Benchmark), then the end-to-end program, which converts synthetic logs of 100,000, 1,000,000
# and 10,000,000 fixes to NMEA, KML, GPX, GeoJSON and CSV, measures the floor of reading and
# writing the same bytes, times gpsbabel on the same track and ostrel-convert with one and two
# jobs on 8 logs. Nothing is asserted; the tables go to standard output. Generated logs live in a
# temporary folder that is removed at the end (about 2.2 GB at the peak, for the largest log and
# its NMEA output).
#
#   tools/bench.sh [--quick] [END-TO-END OPTIONS...]
#
# --quick runs 100,000 and 1,000,000 fixes only, three times each, and fewer jobs runs. Options
# after it go to the end-to-end program (see build-bench/bench/ostrel-bench-e2e --help), e.g.
# --sizes 1000000 --repeat 9. OSTREL_BENCH_BUILD_DIR chooses the build folder (default
# build-bench); OSTREL_BENCH_MICRO_FILTER a regular expression of micro-benchmarks to run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${OSTREL_BENCH_BUILD_DIR:-$root/build-bench}
jobs=$(nproc 2>/dev/null || echo 2)
((jobs > 2)) && jobs=2 # leave the machine usable while building

source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

e2e_args=()
micro_min_time=0.5
if [ "${1:-}" = "--quick" ]; then
  shift
  e2e_args=(--sizes 100000,1000000 --repeat 3 --gpsbabel-repeat 1)
  micro_min_time=0.2
fi
e2e_args+=("$@")

need cmake ninja-build g++ libbenchmark-dev gpsbabel nlohmann-json3-dev

log=$build/build.log
mkdir -p "$build"
if ! {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_BENCH=ON \
    -DOSTREL_BUILD_APP=OFF -DOSTREL_BUILD_TESTS=OFF &&
    cmake --build "$build" -j "$jobs" --target ostrel-bench-micro ostrel-bench-e2e
} >"$log" 2>&1; then
  cat "$log" >&2
  echo "bench: the build failed" >&2
  exit 1
fi
# The command line, for the jobs measurement; the benchmarks run without it.
convert=()
if cmake --build "$build" -j "$jobs" --target ostrel-convert >>"$log" 2>&1; then
  convert=(--convert "$build/src/cli/ostrel-convert")
else
  echo "bench: ostrel-convert did not build; the jobs measurement is skipped" >&2
fi

echo "# Benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) processors," \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "## Micro-benchmarks"
echo
"$build/bench/ostrel-bench-micro" --benchmark_min_time="$micro_min_time" \
  --benchmark_filter="${OSTREL_BENCH_MICRO_FILTER:-.}" 2>&1
echo
echo "## End to end"
"$build/bench/ostrel-bench-e2e" "${convert[@]}" "${e2e_args[@]}"
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
