#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer test build and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

build=${ZENTRIX_TEST_BUILD_DIR:-build/test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZENTRIX_SANITIZE=ON -DZENTRIX_BUILD_TESTS=ON \
    -DZENTRIX_WERROR=ON
cmake --build "$build" -j "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 600
