#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix, made once
# under build-windows/ and reused (a new prefix costs a second of disk and
# time on every run). CTest calls it for every Windows test program.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="${STRELLON_WINEPREFIX:-$root/build-windows/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers: nothing here needs them, and they would ask.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
