#!/usr/bin/env bash
# Installs the plug-in where Linux VST 2 hosts look for it: ~/.vst for this
# user by default, or PREFIX/lib/vst with --prefix (for example /usr/local,
# for every user; needs root). DESTDIR, when set, is put in front of the
# whole destination, for packaging. Builds the plug-in first when it is not
# built yet.
set -euo pipefail
cd "$(dirname "$0")/.."

usage="usage: bash tools/install.sh [--prefix DIR] [--from FILE]"
prefix=""
from="build/Strellon.so"
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; prefix="$2"; shift 2 ;;
    --prefix=*) prefix="${1#--prefix=}"; shift ;;
    --from) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; from="$2"; shift 2 ;;
    --from=*) from="${1#--from=}"; shift ;;
    -h|--help) echo "$usage"; exit 0 ;;
    *) echo "install.sh: unknown argument $1" >&2; echo "$usage" >&2; exit 2 ;;
  esac
done

if [ ! -f "$from" ]; then
  [ "$from" = "build/Strellon.so" ] || { echo "install.sh: no plug-in at $from" >&2; exit 1; }
  bash tools/build.sh Strellon
fi

if [ -n "$prefix" ]; then
  folder="$prefix/lib/vst"
else
  [ -n "${HOME:-}" ] || { echo "install.sh: HOME is not set; use --prefix" >&2; exit 1; }
  folder="$HOME/.vst"
fi
destination="${DESTDIR:-}$folder"
install -D -m 0644 "$from" "$destination/Strellon.so"
echo "installed $destination/Strellon.so"
echo "now let your host rescan its VST 2 plug-ins (folder: $folder)"
