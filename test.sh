#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, then:
#   1. builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
#      and runs every test (build/test);
#   2. builds the Qt-free tests with ThreadSanitizer and runs them (build/tsan);
#   3. builds the fuzz targets with clang and libFuzzer and runs each for
#      ZENTRIX_FUZZ_SECONDS (30) on its seed corpus (build/fuzz).
# The three test runs happen in a network namespace that holds only loopback
# when the machine allows one (scripts/loopback-only.sh), so no test can
# reach past the machine whatever it does.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
source scripts/loopback-only.sh
echo "test.sh: $loopback_only_note"

jobs=$(nproc)
build=${ZENTRIX_TEST_BUILD_DIR:-build/test}
started=$SECONDS

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZENTRIX_SANITIZE=ON -DZENTRIX_BUILD_TESTS=ON \
    -DZENTRIX_WERROR=ON
cmake --build "$build" -j "$jobs"
(cd "$build" && run_loopback_only env QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure -j "$jobs" --timeout 600)

tsan=${ZENTRIX_TSAN_BUILD_DIR:-build/tsan}
cmake -S . -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIX_TSAN=ON \
    -DZENTRIX_BUILD_GUI=OFF -DZENTRIX_BUILD_TESTS=ON -DZENTRIX_WERROR=ON
cmake --build "$tsan" -j "$jobs"
# halt_on_error: a race fails its test instead of scrolling by.
(cd "$tsan" && run_loopback_only \
    env TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
    ctest --output-on-failure -j "$jobs" --timeout 900)

fuzz=${ZENTRIX_FUZZ_BUILD_DIR:-build/fuzz}
CC=clang CXX=clang++ cmake -S . -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTRIX_FUZZ=ON \
    -DZENTRIX_BUILD_GUI=OFF -DZENTRIX_BUILD_TESTS=OFF -DZENTRIX_WERROR=ON
cmake --build "$fuzz" -j "$jobs"
run_loopback_only ./scripts/run-fuzz.sh "$fuzz" "${ZENTRIX_FUZZ_SECONDS:-30}"

echo "test.sh: all passed in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
