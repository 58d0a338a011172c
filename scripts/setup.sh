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
  locales           # the Polish numeric locale of the host with latitude (below)
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

# The host with latitude runs the plug-in under the Polish numeric locale
# (tomiva --host-latitude, bit 1024): pl_PL.UTF-8 must exist.
if ! locale -a 2>/dev/null | grep -qix 'pl_PL\.utf-\?8'; then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  echo "setup: generating the locale pl_PL.UTF-8"
  if grep -q '^[# ]*pl_PL\.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^[# ]*pl_PL\.UTF-8 UTF-8/pl_PL.UTF-8 UTF-8/' /etc/locale.gen
  else
    echo 'pl_PL.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
  locale -a 2>/dev/null | grep -qix 'pl_PL\.utf-\?8' || { echo "setup: pl_PL.UTF-8 could not be generated" >&2; exit 1; }
else
  echo "setup: the locale pl_PL.UTF-8 is there"
fi
