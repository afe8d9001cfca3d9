#!/usr/bin/env bash
# Installs what the build needs, then configures and builds everything in
# build/ (Release). Extra arguments go to the build step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 "$@"
