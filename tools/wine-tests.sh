#!/usr/bin/env bash
# Cross-builds both Windows libraries and runs their tests under Wine: the
# binary-interface tests, the library image, the sound against the Linux
# library's (which tools/build.sh has built in build/) and, on a virtual
# screen, the window and the editor. One Wine prefix, made once, serves both.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash tools/build-windows.sh

cmake --build build -j2 --target strellon-reference-audio strellon-panel >/dev/null
./build/strellon-reference-audio build/Strellon.so build/reference-audio.raw
export STRELLON_LINUX_AUDIO="$root/build/reference-audio.raw"
# The headless panel, which the editor in the Wine window must look like.
./build/strellon-panel -o build-windows/panel-headless.png >/dev/null
convert build-windows/panel-headless.png BMP3:build-windows/panel-headless.bmp
export STRELLON_HEADLESS_PANEL="$root/build-windows/panel-headless.bmp"

export WINEPREFIX="$root/build-windows/wine-prefix"
export WINEDEBUG=-all

# Windows need a screen; console programs do not mind one.
exec 3>build-windows/display
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
finish() {
  # Wine's server must be gone before its screen is.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 50); do [ -s build-windows/display ] && break; sleep 0.1; done
export DISPLAY=":$(cat build-windows/display)"

# One Wine server for all the test programs, rather than one each.
bash tools/windows/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true

status=0
for arch in win32 win64; do
  echo "== Windows tests ($arch, under Wine)"
  ctest --test-dir "build-windows/$arch" --output-on-failure --timeout 300 || status=1
  # What the Wine window showed, for a person to look at.
  if [ -f "build-windows/$arch/editor-wine.bmp" ]; then
    convert "build-windows/$arch/editor-wine.bmp" "build-windows/editor-wine-$arch.png"
  fi
done
exit $status
