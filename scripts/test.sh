#!/usr/bin/env bash
# Sets up, builds and runs every test: the native build, then the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer (with the sweeps over
# every missing entry and every allocation), the fuzz targets of the parsers
# for a short time each, then the 32-bit Windows build (its export tables,
# and the plug-in in TOMIVA.exe under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
for preset in native sanitize; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  ctest --preset "$preset" -j "$jobs"
done

# Every parser's fuzz target for 15 s from its seed corpus: a finding fails.
echo "== fuzz: build and run each target"
bash scripts/fuzz.sh 15

# The Windows build: the cross compiler, Wine and the SQLite amalgamation
# (made once in build/windows, where the Wine prefix is kept too).
bash scripts/setup_windows.sh build/windows
echo "== windows: configure and build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "== windows: tests"
ctest --preset windows -j "$jobs"
