#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need, on a Debian
# machine (run as root, or with sudo available): Wine's 32-bit half, and
# qemu's user-mode emulation for machines whose kernel refuses 32-bit
# programs (tests/windows/i386_route.sh); and builds the SQLite
# amalgamation and the static libxml2 that TOMIVA.exe compiles in (verify
# reads export files with it).  Idempotent: installs only what is missing
# and builds each library once per build tree.
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
  qemu-user-static        # qemu-i386-static: Wine where the kernel runs no 32-bit programs
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

# SQLite and libxml2 for TOMIVA.exe: Debian ships no mingw build of them, so
# both are made from Debian's own source packages, once per build tree.
SQLITE_DIR=$BUILD_DIR/sqlite
LIBXML2_DIR=$BUILD_DIR/libxml2
have_sqlite() { [[ -s $SQLITE_DIR/sqlite3.c && -s $SQLITE_DIR/sqlite3.h ]]; }
have_libxml2() { [[ -s $LIBXML2_DIR/lib/libxml2.a && -s $LIBXML2_DIR/include/libxml/xmlreader.h ]]; }
if have_sqlite && have_libxml2; then
  echo "setup-windows: the SQLite amalgamation is in $SQLITE_DIR, libxml2 in $LIBXML2_DIR"
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
apt-cache showsrc sqlite3 libxml2 2>/dev/null | grep -q '^Package: libxml2$' || { updated=0; update; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The source package NAME unpacked in $work; prints its folder.
unpack() {
  (
    cd "$work"
    # As root apt cannot hand the download to its sandbox user; that is harmless.
    apt-get source -qq "$1" >/dev/null 2>&1 || apt-get source "$1" >&2
  )
  local src
  src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1)
  [[ -n $src ]] || { echo "setup-windows: apt-get source $1 unpacked nothing" >&2; exit 1; }
  echo "$src"
}

if ! have_sqlite; then
  echo "setup-windows: building the SQLite amalgamation from Debian's source package"
  mkdir -p "$SQLITE_DIR"
  src=$(unpack sqlite3)
  (
    cd "$src"
    ./configure >configure.log 2>&1 || { tail -n 30 configure.log >&2; exit 1; }
    make sqlite3.c >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
  )
  cp "$src/sqlite3.c" "$src/sqlite3.h" "$SQLITE_DIR/"
  echo "setup-windows: $SQLITE_DIR/sqlite3.c written"
fi

if ! have_libxml2; then
  # A static library for i686 Windows with what verify needs (the parser,
  # schemas and their regular expressions) and none of what it does not:
  # no Python, iconv, ICU, compression, network, catalogs, modules or
  # threads (verify reads on one thread).
  echo "setup-windows: building libxml2 for i686-w64-mingw32 from Debian's source package"
  src=$(unpack libxml2)
  (
    cd "$src"
    # The package's patches leave the autotools' outputs older than their
    # inputs; they are up to date, and make must not run automake.
    touch aclocal.m4 && sleep 1 && touch configure config.h.in && find . -name Makefile.in -exec touch {} + && sleep 1
    ./configure --host=i686-w64-mingw32 --enable-static --disable-shared --without-python --without-iconv \
      --without-icu --without-lzma --without-zlib --without-http --without-ftp --without-modules --without-debug \
      --without-docbook --without-legacy --without-catalog --without-threads CFLAGS="-O2 -g0" \
      >configure.log 2>&1 || { tail -n 30 configure.log >&2; exit 1; }
    make -j2 libxml2.la >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
  )
  mkdir -p "$LIBXML2_DIR/lib" "$LIBXML2_DIR/include/libxml"
  cp "$src/.libs/libxml2.a" "$LIBXML2_DIR/lib/"
  cp "$src"/include/libxml/*.h "$LIBXML2_DIR/include/libxml/"
  echo "setup-windows: $LIBXML2_DIR/lib/libxml2.a written"
fi
