#!/usr/bin/env bash
# Installs what the native build, the tests and the main job need, on a
# fresh Debian machine (run as root, or with sudo available).
set -euo pipefail

PACKAGES=(
  build-essential   # g++ 12, make
  cmake ninja-build # the build (CMake presets, Ninja)
  pkg-config
  libsqlite3-dev    # the replacement host keeps a firm's tables in SQLite
  sqlite3           # the sqlite3 shell, to look into and fill firm databases
  libgtest-dev      # GoogleTest, the unit and integration tests
  libxml2-dev       # libxml2: tomiva verify reads export files and checks them against their schema
  libxml2-utils     # xmllint, checks every export file of the tests against the schema
  libncurses-dev    # the host draws interactive dialogs in the terminal (ncursesw)
  tmux              # the interactive dialog tests drive a real terminal
  strace            # the sweep of failed system calls injects its faults through it
  clang             # the fuzz targets of the parsers (libFuzzer, scripts/fuzz.sh)
  libclang-rt-dev   # libFuzzer's driver and clang's sanitizer run-times
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: every package is installed"
fi
