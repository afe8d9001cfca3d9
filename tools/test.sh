#!/usr/bin/env bash
# Builds everything and runs every test: the thread tests under
# ThreadSanitizer, the plug-in's, host's and toolkit's tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the whole suite, then
# the tests that need an X server under a private Xvfb, then the Windows
# libraries under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
bash tools/tsan.sh
bash tools/asan.sh
ctest --test-dir build --output-on-failure -j2 --timeout 600
bash tools/xvfb-tests.sh build
bash tools/wine-tests.sh
