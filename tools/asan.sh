#!/usr/bin/env bash
# Builds the plug-in, the host library and their tests with AddressSanitizer
# and UndefinedBehaviorSanitizer in build-asan/, and runs the binary-interface,
# sound, render, host and toolkit tests under them. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
  -DCMAKE_MODULE_LINKER_FLAGS="$sanitize" -DSTRELLON_BENCH=OFF >/dev/null

suites=(frame conformance sound render host toolkit)
targets=()
for suite in "${suites[@]}"; do targets+=("strellon_${suite}_tests"); done
# The build runs the test programs too (to list their tests), so the
# sanitizer settings apply from here on.
export ASAN_OPTIONS="detect_leaks=1:strict_init_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tools/asan-third-party.supp:print_suppressions=0"
cmake --build build-asan -j2 --target Strellon "${targets[@]}"

# A plug-in is unloaded before the leak check, and with it the drawing
# libraries it brought in, whose caches then look like leaks of an unknown
# library. Preloaded (after the sanitizer's runtime, which must come first)
# they stay, so their caches are still reachable or can be named.
export LD_PRELOAD="$(${CXX:-c++} -print-file-name=libasan.so) libfontconfig.so.1 libcairo.so.2"
# A third-party plug-in's own leaks cannot be told from ours once it is
# unloaded: its tests run without the leak check.
third_party='RenderAmsynth.*:HostLibrary.PlaysAThirdPartyInstrument'
for suite in "${suites[@]}"; do
  echo "sanitized: $suite"
  ./build-asan/tests/"$suite"/strellon_"$suite"_tests --gtest_brief=1 --gtest_filter="-$third_party"
done
echo "sanitized: third-party plug-ins, without the leak check"
for suite in render host; do
  ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" ./build-asan/tests/"$suite"/strellon_"$suite"_tests \
    --gtest_brief=1 --gtest_filter="$third_party"
done
