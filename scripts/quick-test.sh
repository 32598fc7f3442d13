#!/usr/bin/env bash
# The inner loop: builds one build's tests and runs them, without the package
# check of scripts/setup.sh (run that once on a fresh machine first).
#   bash scripts/quick-test.sh             the dev build (optimised)
#   bash scripts/quick-test.sh asan        the sanitizer build, rule checks on
#   bash scripts/quick-test.sh dev Regex   only the tests whose names match
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-dev}
filter=${2:-}
case "$preset" in
  dev|asan) ;;
  *) echo "usage: $0 [dev|asan] [test-name-regex]" >&2; exit 2 ;;
esac
jobs=${PW_JOBS:-$(nproc)}

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
args=(--preset "$preset" -j "$jobs")
[ -n "$filter" ] && args+=(-R "$filter")
ctest "${args[@]}"
