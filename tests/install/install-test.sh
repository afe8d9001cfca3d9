#!/usr/bin/env bash
# Installs the built plug-in with tools/install.sh (default folder, --prefix,
# DESTDIR) and with cmake --install, each into a fresh temporary folder, and
# checks that each copy is the plug-in, readable by every user.
set -euo pipefail
source_dir="$1" plugin="$2" build_dir="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

expect_copy() {
  [ -f "$1" ] || { echo "missing: $1" >&2; exit 1; }
  cmp -s "$plugin" "$1" || { echo "not the plug-in: $1" >&2; exit 1; }
  [ $((0$(stat -c %a "$1") & 4)) -ne 0 ] || { echo "not readable by others: $1" >&2; exit 1; }
}

HOME="$scratch/home" bash "$source_dir/tools/install.sh" --from "$plugin" >/dev/null
expect_copy "$scratch/home/.vst/Strellon.so"

bash "$source_dir/tools/install.sh" --from "$plugin" --prefix "$scratch/usr" >/dev/null
expect_copy "$scratch/usr/lib/vst/Strellon.so"

DESTDIR="$scratch/stage" bash "$source_dir/tools/install.sh" --from="$plugin" --prefix=/usr/local >/dev/null
expect_copy "$scratch/stage/usr/local/lib/vst/Strellon.so"

if bash "$source_dir/tools/install.sh" --from "$scratch/none.so" --prefix "$scratch/x" 2>/dev/null; then
  echo "a missing plug-in was installed" >&2; exit 1
fi
[ ! -e "$scratch/x" ] || { echo "a failed install left $scratch/x" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$scratch/cmake" >/dev/null
expect_copy "$scratch/cmake/lib/vst/Strellon.so"
echo "install: all good"
