#!/usr/bin/env bash
# The package as users receive it: cpack makes ExportFKVentalor-<version>-win32.zip,
# which holds the built DLL, the installation guide in Polish and the schema
# of the export file, nothing else; the DLL carries a version resource with
# the project's version, description and copyright.
# Usage: package_test.sh CPACK CPACK_CONFIG PLUGIN_DLL SCHEMA VERSION OBJDUMP
set -uo pipefail
CPACK=$1 CONFIG=$2 DLL=$3 SCHEMA=$4 VERSION=$5 OBJDUMP=$6
for tool in unzip wrestool strings; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup_windows.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../cli/checks.sh"

name=ExportFKVentalor-$VERSION-win32
"$CPACK" --config "$CONFIG" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
zip=$work/out/$name.zip
check "cpack makes $name.zip" test -s "$zip"
[[ -s $zip ]] || { ls "$work/out"; finish_checks; exit 1; }
unzip -q "$zip" -d "$work/unpacked" 2>/dev/null
check "the zip holds exactly the DLL, the guide and the schema, in $name/" \
  test "$(cd "$work/unpacked" && find . -type f | sort | tr '\n' ' ')" = \
       "./$name/ExportFKVentalor.dll ./$name/INSTALACJA.txt ./$name/export-file.xsd "
in=$work/unpacked/$name
check "the DLL is the one built" cmp -s "$in/ExportFKVentalor.dll" "$DLL"
check "the schema is docs/export-file.xsd" cmp -s "$in/export-file.xsd" "$SCHEMA"

guide=$in/INSTALACJA.txt
# what the guide must tell, one per line
while read -r said; do
  check "the guide tells: $said" grep -qF "$said" "$guide"
done <<TABLE
ExportFKVentalor $VERSION
do folderu "plugins" obok programu
"Eksport Ventalor (txt)"
w katalogu danych bieżącej firmy
qPX_RRRR-MM-DD.xml
xmllint --noout --schema export-file.xsd
TABLE
check "the guide's lines end in CR LF" test "$(grep -c $'\r$' "$guide")" -eq "$(wc -l <"$guide")"

# The version resource: present in the DLL's resource directory, its fixed
# part (VS_FIXEDFILEINFO after the signature FEEF04BD) and its texts.
check "objdump sees a resource directory" grep -qE "Resource Directory \[\.rsrc\]" <("$OBJDUMP" -p "$DLL")
wrestool -x --raw --type=16 "$DLL" >"$work/version.res" 2>/dev/null
check "wrestool finds the version resource, in Polish" grep -q -- "--type=16 --name=1 --language=1045" <(wrestool -l "$DLL")
check "  and reads it" test -s "$work/version.res"
IFS=. read -r major minor patch <<<"$VERSION"
fixed=$(od -An -v -tx1 "$work/version.res" | tr -d ' \n' | grep -o 'bd04effe.\{40\}' | head -n 1)
le() { echo "${1:6:2}${1:4:2}${1:2:2}${1:0:2}"; } # a 32-bit little-endian word as hex
four=$(printf '%04x%04x%04x%04x' "$major" "$minor" "$patch" 0)
check "the fixed file version is $VERSION.0" test "$(le "${fixed:16:8}")$(le "${fixed:24:8}")" = "$four"
check "the fixed product version is $VERSION.0" test "$(le "${fixed:32:8}")$(le "${fixed:40:8}")" = "$four"
texts=$(strings -el "$work/version.res")
# name of the value, then its text
while IFS='|' read -r key value; do
  check "the resource's $key is \"$value\"" grep -qxF "$value" <(grep -A1 -xF "$key" <<<"$texts" | tail -n 1)
done <<TABLE
FileVersion|$VERSION
ProductVersion|$VERSION
ProductName|ExportFKVentalor
OriginalFilename|ExportFKVentalor.dll
FileDescription|Eksport rejestru zakupu VAT do pliku XML
TABLE
check "the resource has a copyright line" grep -qA1 -xF "LegalCopyright" <<<"$texts"

finish_checks
