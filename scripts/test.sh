#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds everything and runs every test:
# once in an optimised build, once under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
# Every build here starts from nothing, so each compiles its targets in unity
# batches (PW_UNITY): well under half the CPU time of one file at a time.
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DPW_UNITY=ON "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 -E '_xvfb$'
  # The app's runs under Xvfb mostly wait for the app to settle (a third of a
  # core each), so twice as many run side by side as the unit tests.
  if ctest --test-dir "$dir" -N -R '_xvfb$' | grep -q '^Total Tests: [1-9]'; then
    ctest --test-dir "$dir" -j $((jobs * 2)) --output-on-failure -R '_xvfb$'
  fi
}

echo "== optimised build"
# -O1 without debug information: optimised code paths at a fraction of -O2 -g's
# compile time, which dominates a CI run on two cores.
# Each test program runs its cases in one process (PW_TEST_EACH_CASE off):
# starting a process per case cost more than the cases themselves here.
run_suite build/release -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DPW_BUILD_BENCH=ON \
  -DPW_TEST_EACH_CASE=OFF
echo "== sanitizer build"
# The app's runs under Xvfb (repaint check on, both screen sizes) belong to the
# optimised suite above; here they would only repeat, several times slower.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DPW_SANITIZE=ON -DPW_XVFB_TESTS=OFF \
    -DPW_TEST_EACH_CASE=OFF

if [ -d fuzz ] && ls fuzz/*/CMakeLists.txt >/dev/null 2>&1; then
  echo "== fuzzing"
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_UNITY=ON \
    -DPW_BUILD_TESTS=OFF -DPW_BUILD_FUZZ=ON
  cmake --build build/fuzz -j "$jobs" --target pw_fuzzers
  # Each target is one process: as many run side by side as there are cores.
  fuzz_one() {
    echo "-- $1"
    "$1" -seed=1 -max_total_time=20 -rss_limit_mb=2048 -print_final_stats=0 >/dev/null 2>"build/fuzz/$(basename "$1").log" \
      || { tail -50 "build/fuzz/$(basename "$1").log"; return 1; }
  }
  export -f fuzz_one
  find build/fuzz/bin -maxdepth 1 -name 'fuzz_*' -type f -executable -print0 | sort -z \
    | xargs -0 -r -n 1 -P "$jobs" bash -c 'fuzz_one "$0"'
fi
echo "all suites passed"
