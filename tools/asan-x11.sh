#!/usr/bin/env bash
# Builds the tests that need an X server with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs them under Xvfb.
# Not part of the test command (it doubles the build); run it after
# changing the window code.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" -DSTRELLON_BENCH=OFF >/dev/null
targets=(strellon_x11_tests)
if grep -q strellon_editor_x11_tests tests/*/CMakeLists.txt 2>/dev/null; then targets+=(strellon_editor_x11_tests); fi
cmake --build build-asan -j2 --target "${targets[@]}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp"
bash tools/xvfb-tests.sh build-asan "$@"
