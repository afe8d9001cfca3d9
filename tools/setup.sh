#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo render need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libx11-dev libxcb1-dev libxtst-dev fontconfig fonts-liberation
  python3-cairo
  xvfb xauth
  libsndfile1-dev
  libfftw3-dev
  libstk-dev amsynth
  sox
  # The Windows libraries: cross compilers with std::thread, and Wine with a
  # screen to test them on (Wine draws no Arial text without Liberation).
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine32:i386 wine64 xvfb xauth imagemagick
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# wine32 is an i386 package; adding the architecture needs a fresh list.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
