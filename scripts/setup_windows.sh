#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need, on a Debian
# machine (run as root, or with sudo available), and builds the SQLite
# amalgamation that TOMIVA.exe compiles in.  Idempotent: installs only what
# is missing and builds the amalgamation once per build tree.
#
# Usage: setup_windows.sh [BUILD_DIR]     (default: build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build/windows}

SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

PACKAGES=(
  g++-mingw-w64-i686      # the cross compiler for 32-bit Windows (mingw-w64)
  binutils-mingw-w64-i686 # its linker, and objdump for the export checks
  wine                    # runs TOMIVA.exe and the plug-in in the tests
  wine32:i386             # Wine's 32-bit half: the DLL is i686
  dpkg-dev                # apt-get source unpacks with dpkg-source
  tcl                     # tclsh, which makes sqlite3.c
  icoutils                # wrestool, which reads the DLL's version resource in the tests
  unzip                   # the package test unpacks ExportFKVentalor-<version>-win32.zip
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

updated=0
update() { ((updated)) || { $SUDO apt-get update -qq; updated=1; }; }

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-windows: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  updated=0
fi

missing=()
for p in "${PACKAGES[@]}"; do installed "$p" || missing+=("$p"); done
if ((${#missing[@]})); then
  echo "setup-windows: installing ${missing[*]}"
  update
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "setup-windows: every package is installed"
fi

# SQLite for TOMIVA.exe: Debian ships no mingw build of it, so the
# amalgamation (one sqlite3.c and its sqlite3.h) is made from Debian's own
# source package, once per build tree, and compiled into the program.
SQLITE_DIR=$BUILD_DIR/sqlite
if [[ -s $SQLITE_DIR/sqlite3.c && -s $SQLITE_DIR/sqlite3.h ]]; then
  echo "setup-windows: the SQLite amalgamation is in $SQLITE_DIR"
  exit 0
fi

# apt-get source needs a deb-src line for this machine's release, and the
# source index it brings.
. /etc/os-release
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "setup-windows: adding a deb-src line for $VERSION_CODENAME"
  echo "deb-src http://deb.debian.org/debian $VERSION_CODENAME main" |
    $SUDO tee /etc/apt/sources.list.d/debian-src-"$VERSION_CODENAME".list >/dev/null
  updated=0
fi
apt-cache showsrc sqlite3 2>/dev/null | grep -q '^Package: sqlite3$' || { updated=0; update; }

echo "setup-windows: building the SQLite amalgamation from Debian's source package"
mkdir -p "$SQLITE_DIR"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(
  cd "$work"
  # As root apt cannot hand the download to its sandbox user; that is harmless.
  apt-get source -qq sqlite3 >/dev/null 2>&1 || apt-get source sqlite3
  src=$(find . -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n 1)
  [[ -n $src ]] || { echo "setup-windows: apt-get source sqlite3 unpacked nothing" >&2; exit 1; }
  cd "$src"
  ./configure >configure.log 2>&1 || { tail -n 30 configure.log >&2; exit 1; }
  make sqlite3.c >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
)
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n 1)
cp "$src/sqlite3.c" "$src/sqlite3.h" "$SQLITE_DIR/"
echo "setup-windows: $SQLITE_DIR/sqlite3.c written"
