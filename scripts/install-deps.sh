#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-14 libclang-rt-14-dev googletest libgmock-dev
          g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64
          wine wine64 xvfb xauth imagemagick xdotool nsis tinyproxy python3 curl util-linux
          libsqlite3-dev sqlite3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
