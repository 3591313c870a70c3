#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test; then the same suite again in a
# second build directory under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# threaded audio tests under ThreadSanitizer in a third.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/setup.sh
# Layers point one way, and platform headers stay in their backends: checked before building.
./scripts/check-layers.sh
. scripts/build.sh

# Tests write only into their own temporary and build folders, never into the checkout.
untracked_before=$(git status --porcelain --untracked-files=all 2>/dev/null | grep '^??' || true)

# One X server for the whole run: the tests that draw open real windows on it.
run_tests() {
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$1" --output-on-failure -j "$(nproc)"
}

build build
run_tests build

build build-asan -DCMAKE_BUILD_TYPE=Debug -DPELTERRA_SANITIZE=ON -DPELTERRA_BENCHMARKS=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
run_tests build-asan

# The audio output thread and the scripts' thread share the mixer; the start-up decodes
# images on a thread of its own while the main thread asks for them.
build_target build-tsan test_audio -DCMAKE_BUILD_TYPE=Debug -DPELTERRA_TSAN=ON -DPELTERRA_BENCHMARKS=OFF
build_target build-tsan test_img -DCMAKE_BUILD_TYPE=Debug -DPELTERRA_TSAN=ON -DPELTERRA_BENCHMARKS=OFF
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" ctest --test-dir build-tsan -R '^test_(audio|img)$' --output-on-failure

untracked_after=$(git status --porcelain --untracked-files=all 2>/dev/null | grep '^??' || true)
if [ "$untracked_after" != "$untracked_before" ]; then
    echo "test.sh: the tests left files in the checkout:" >&2
    diff <(echo "$untracked_before") <(echo "$untracked_after") | grep '^>' >&2
    exit 1
fi
