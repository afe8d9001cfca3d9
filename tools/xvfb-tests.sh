#!/usr/bin/env bash
# Runs the tests that need an X server under a private Xvfb, which picks a
# free display number itself and is stopped at the end.
#   tools/xvfb-tests.sh [build-dir] [gtest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
tests=()
for t in tests/x11/strellon_x11_tests tests/x11/strellon_editor_x11_tests; do
  [ -x "$build/$t" ] && tests+=("$build/$t")
done
[ ${#tests[@]} -gt 0 ] || { echo "no X tests built in $build" >&2; exit 1; }

numberFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$numberFile"' EXIT
for _ in $(seq 200); do
  [ -s "$numberFile" ] && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(head -n1 "$numberFile")"
status=0
for t in "${tests[@]}"; do
  ${STRELLON_TEST_WRAPPER:-} "$t" "$@" || status=1
done
exit $status
