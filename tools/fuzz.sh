#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECS seconds (default 600), one after
# another. The inputs of fuzz/regressions and the golden logs run first; the corpus grows in the
# build folder from one run to the next. Quiet on success apart from one line per target; on a
# finding it prints libFuzzer's report and the path of the saved input, and exits non-zero.
#
#   tools/fuzz.sh [SECS]
#
# OSTREL_FUZZ_BUILD_DIR chooses the build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
secs=${1:-600}
if ! [[ $secs =~ ^[0-9]+$ ]] || [ "$secs" -lt 1 ]; then
  echo "usage: tools/fuzz.sh [SECS]" >&2
  exit 2
fi
build=${OSTREL_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=(log_reader conversion photo)

source "$root/tools/packages.sh"
need clang libfuzzer-14-dev libclang-rt-14-dev cmake ninja-build nlohmann-json3-dev

mkdir -p "$build"
log=$build/build.log
if ! {
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_BUILD_FUZZ=ON -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_APP=OFF &&
    cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"
} >"$log" 2>&1; then
  cat "$log" >&2
  echo "fuzz: the build failed" >&2
  exit 1
fi

status=0
for target in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$target
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  out=$build/fuzz_$target.log
  mkdir -p "$corpus" "$artifacts"

  # Seeds: the golden logs, for the log reader also each of their lines alone (behind the two
  # control bytes that choose no block end), and the regression inputs; for the photos, the
  # photos and sidecar of fuzz/seeds/photo.
  dict=$root/fuzz/log.dict
  if [ "$target" = photo ]; then
    dict=$root/fuzz/photo.dict
    cp -f "$root"/fuzz/seeds/photo/* "$corpus/"
  fi
  for input in "$root"/tests/data/*/input.log; do
    name=$(basename "$(dirname "$input")")
    cp -f "$input" "$corpus/golden-$name.log"
    if [ "$target" = log_reader ]; then
      n=0
      tr '\r' '\n' <"$input" | while IFS= read -r line; do
        n=$((n + 1))
        if [ -n "$line" ]; then
          printf '\0\0%s\r\n' "$line" >"$corpus/golden-$name-line$n"
        fi
      done
    fi
  done
  regressions=()
  for input in "$root/fuzz/regressions/$target"/*; do
    if [ -f "$input" ] && [ "$(basename "$input")" != README.md ]; then
      regressions+=("$input")
      cp -f "$input" "$corpus/regression-$(basename "$input")"
    fi
  done

  if ((${#regressions[@]})) && ! "$exe" "${regressions[@]}" >"$out" 2>&1; then
    cat "$out" >&2
    echo "fuzz: $target fails on a regression input of fuzz/regressions/$target" >&2
    status=1
    continue
  fi
  # -timeout: one input taking longer than 10 s is a hang; -rss_limit_mb: memory is a finding
  # too; the dictionary and the value profile help past the fields' comparisons.
  if "$exe" -max_total_time="$secs" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
    -dict="$dict" -use_value_profile=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$out" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out")
    echo "fuzz: $target: ${runs:-?} inputs in ${secs} s, corpus $(ls "$corpus" | wc -l), no finding"
  else
    grep -v -E '^(#[0-9]+|INFO:)' "$out" | tail -n 60 >&2
    echo "fuzz: $target found a fault; the input is in $artifacts (full log: $out)" >&2
    echo "fuzz: replay it with: $exe <input>" >&2
    status=1
  fi
done
exit $status
