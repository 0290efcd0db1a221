#!/usr/bin/env bash
# The test command: installs what the build needs, configures a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer, builds everything (benchmarks included) and runs every test with CTest.
# Usage: bash scripts/test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${TEV_BUILD_DIR:-build-test}
jobs=$(nproc)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTEV_SANITIZE=ON >/dev/null
ninja -C "$build" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure --timeout 300 -j "$jobs" "$@"
cd ..

# The fuzz targets, each for a short bounded time on its committed seed corpus (a clang build of its own).
if [ -f scripts/fuzz.sh ]; then bash scripts/fuzz.sh; fi
