#!/usr/bin/env bash
# Cross-builds Strellon.dll for 32- and 64-bit Windows with mingw-w64, in
# build-windows/win32 and build-windows/win64, with the test programs that
# run under Wine. Extra arguments go to both build steps.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# The cross builds are the slow part of the Windows stage: ccache, when
# present, keeps repeated runs short.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
for arch in win32:i686 win64:x86_64; do
  dir=build-windows/${arch%%:*}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/windows/mingw-${arch##*:}.cmake" "${launcher[@]}" >/dev/null
  cmake --build "$dir" -j2 "$@"
done
