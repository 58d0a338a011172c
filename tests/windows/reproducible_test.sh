#!/usr/bin/env bash
# The package's DLL is the same file from every build of one tree: the test
# configures a second build tree in another folder (another path, another
# time), builds only the plug-in there, and compares its shipped DLL byte for
# byte with this build's.  A timestamp, a build path or anything else that
# differs between two builds makes them differ.
# Usage: reproducible_test.sh CMAKE SOURCE_DIR TOOLCHAIN_FILE BUILD_TYPE SQLITE_DIR LIBXML2_DIR SHIPPED_DLL
set -uo pipefail
CMAKE=$1 SOURCE=$2 TOOLCHAIN=$3 TYPE=$4 SQLITE=$5 LIBXML2=$6 DLL=$7
work=$(mktemp -d "${TMPDIR:-/tmp}/ventalor-second-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../cli/checks.sh"

built=$work/tree/shipped/ExportFKVentalor.dll
if "$CMAKE" -S "$SOURCE" -B "$work/tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE="$TYPE" \
     -DVENTALOR_TESTS=OFF -DVENTALOR_SQLITE_DIR="$SQLITE" -DVENTALOR_LIBXML2_DIR="$LIBXML2" >"$work/log" 2>&1 &&
   "$CMAKE" --build "$work/tree" --target ExportFKVentalor -j 2 >>"$work/log" 2>&1; then
  check "a second build tree makes the package's DLL" test -s "$built"
else
  tail -n 30 "$work/log"
  check "a second build tree makes the package's DLL" false
fi
check "the package's DLL of a second build is the same file" cmp -s "$built" "$DLL"
[[ -s $built ]] && ! cmp -s "$built" "$DLL" && cmp -l "$built" "$DLL" | head -n 10

finish_checks
