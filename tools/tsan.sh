#!/usr/bin/env bash
# Runs the tests where threads meet (parameters stored on one thread while
# another renders, automation and notes while the editor opens, idles and
# closes) under ThreadSanitizer, in build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DSTRELLON_BENCH=OFF >/dev/null
# ThreadSanitizer's shadow memory needs the fixed layout that ASLR would break;
# the build runs the test binaries too (to list their tests).
setarch "$(uname -m)" -R cmake --build build-tsan -j2 --target strellon_frame_tests strellon_sound_tests \
  strellon_editor_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
setarch "$(uname -m)" -R ./build-tsan/tests/frame/strellon_frame_tests --gtest_filter='Threads.*'
setarch "$(uname -m)" -R ./build-tsan/tests/sound/strellon_sound_tests --gtest_filter='Controls.*:Controllers.*:Threads.*'
setarch "$(uname -m)" -R ./build-tsan/tests/editor/strellon_editor_tests --gtest_filter='*Threads*'
