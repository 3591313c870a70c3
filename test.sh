#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test; then the same suite again in a
# second build directory under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/setup.sh
. scripts/build.sh

build build
ctest --test-dir build --output-on-failure -j "$(nproc)"

build build-asan -DCMAKE_BUILD_TYPE=Debug -DPELTERRA_SANITIZE=ON -DPELTERRA_BENCHMARKS=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
