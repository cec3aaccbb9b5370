#!/usr/bin/env bash
# Builds the tests without the window (core_tests, cli_tests, the hostile-input tests and
# whatever else tests/ holds) with AddressSanitizer and UndefinedBehaviorSanitizer, every finding
# fatal, and runs them with CTest. Quiet on success apart from one line; on a failure it prints
# the build log or the failing tests' output and exits non-zero.
#
#   tools/sanitize.sh
#
# OSTREL_ASAN_BUILD_DIR chooses the build folder (default build-asan); OSTREL_JOBS the parallel
# jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${OSTREL_ASAN_BUILD_DIR:-$root/build-asan}
jobs=${OSTREL_JOBS:-2}

source "$root/tools/packages.sh"
need cmake ninja-build g++ libgtest-dev libgmock-dev nlohmann-json3-dev

mkdir -p "$build"
log=$build/sanitize.log
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if ! {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_BUILD_APP=OFF -DOSTREL_BUILD_TESTS=ON -DOSTREL_BUILD_FUZZ=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" &&
    cmake --build "$build" -j "$jobs"
} >"$log" 2>&1; then
  cat "$log" >&2
  echo "sanitize: the build failed" >&2
  exit 1
fi

# Leaks are findings; a report names the file and line. halt_on_error is the default for ASan
# and -fno-sanitize-recover makes every UBSan report fatal.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
if ! ctest --test-dir "$build" -j "$jobs" --output-on-failure >"$build/ctest.log" 2>&1; then
  cat "$build/ctest.log" >&2
  echo "sanitize: tests failed under ASan+UBSan (log: $build/ctest.log)" >&2
  exit 1
fi
echo "sanitize: $(grep -E '^[0-9]+% tests passed' "$build/ctest.log" || echo 'all tests passed') under ASan+UBSan"
