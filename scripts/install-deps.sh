#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang clang-14 libclang-rt-14-dev googletest libgmock-dev
          g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64
          wine wine64 xvfb xauth imagemagick xdotool nsis tinyproxy python3 curl util-linux
          libsqlite3-dev sqlite3 tcl make dpkg-dev openssl libgnutls30
          prometheus prometheus-node-exporter prometheus-alertmanager)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# SQLite for the Windows build: Debian ships it for mingw only as source, so
# fetch Debian's source package (the same version as libsqlite3-dev) and
# unpack it with Debian's patches into build/deps/sqlite3; cmake/Sqlite.cmake
# builds the amalgamation from it. apt works from private folders here, so
# the machine's own apt configuration stays as it is.
sqlite_version=3.40.1-2+deb12u2
root=$(cd "$(dirname "$0")/.." && pwd)
sqlite_dir=$root/build/deps/sqlite3
if [ "$(cat "$sqlite_dir/.debian-version" 2>/dev/null)" != "$sqlite_version" ]; then
  echo "fetching Debian's sqlite3 $sqlite_version source package"
  mkdir -p "$root/build"
  work=$(mktemp -d "$root/build/deps.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/sources" "$work/lists/partial" "$work/cache/archives/partial" "$work/get"
  # apt downloads as its own unprivileged user when it can: let it reach the
  # folders and write the source files.
  chmod 755 "$work"
  if [ "$(id -u)" = 0 ] && id _apt >/dev/null 2>&1; then chown _apt "$work/get"; fi
  cat >"$work/sources/debian-src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt_private=(-o "Dir::Etc::sourcelist=$work/sources/none.list" -o "Dir::Etc::sourceparts=$work/sources"
               -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
  apt-get "${apt_private[@]}" update -qq
  (cd "$work/get" && apt-get "${apt_private[@]}" source -qq --download-only "sqlite3=$sqlite_version" >/dev/null)
  # apt checked the files against the archive's signed index; dpkg-source
  # also checks them and applies Debian's patches. Its notes (it cannot check
  # the uploader's own signature without debian-keyring) show only on failure.
  if ! dpkg-source -x "$work"/get/sqlite3_*.dsc "$work/tree" >"$work/dpkg-source.log" 2>&1; then
    cat "$work/dpkg-source.log" >&2
    exit 1
  fi
  echo "$sqlite_version" >"$work/tree/.debian-version"
  rm -rf "$sqlite_dir"
  mkdir -p "$(dirname "$sqlite_dir")"
  mv "$work/tree" "$sqlite_dir"
fi
