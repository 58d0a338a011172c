#!/usr/bin/env bash
# The export and import tables of the Windows build, read with objdump:
#   ExportFKVentalor.dll  named so in its export directory, exactly the three
#                         entry points 30001, 30008, 30009 by number and no
#                         names, at the routines with the right conventions;
#                         imports only system libraries, nothing of the host;
#                         one fallback per host entry that removes exactly
#                         the entry's own argument bytes.
#   TOMIVA.exe            every entry of the list by its number, no names.
# Usage: exports_test.sh OBJDUMP PLUGIN_DLL TOMIVA_EXE HOST_ENTRIES_H
set -uo pipefail
OBJDUMP=$1 DLL=$2 EXE=$3 ENTRIES=$4
NM=${OBJDUMP%objdump}nm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../cli/checks.sh"
same() { [[ $1 == "$2" ]] || { echo "  got:      $1"; echo "  expected: $2"; return 1; }; }

"$OBJDUMP" -p "$DLL" >"$work/dll.txt" || { echo "objdump cannot read $DLL"; exit 1; }
"$OBJDUMP" -p "$EXE" >"$work/exe.txt" || { echo "objdump cannot read $EXE"; exit 1; }
"$NM" "$DLL" >"$work/dll.sym"
"$NM" "$EXE" >"$work/exe.sym"

# Fields of objdump's export directory.
export_name() { sed -n 's/^Name[[:space:]]*[0-9a-f]* \(.*\)$/\1/p' "$1" | head -n 1; }
name_count() { awk -F'\t' '/Name Pointer\/Ordinal\] Table/ { print $NF; exit }' "$1" | tr -d ' '; }
# "ordinal rva" per export, in ordinal order.
exports() { sed -n 's/^[[:space:]]*\[ *[0-9]*\] +base\[ *\([0-9]*\)\] \([0-9a-f]*\) Export RVA$/\1 \2/p' "$1"; }
imports() { sed -n 's/^[[:space:]]*DLL Name: //p' "$1" | tr 'A-Z' 'a-z' | sort -u | paste -sd' '; }
image_base() { sed -n 's/^ImageBase[[:space:]]*//p' "$1"; }
# The symbol at an RVA of a module.
symbol_at() { # file.sym base rva
  local address
  address=$(printf '%08x' $((0x$2 + 0x$3)))
  awk -v a="$address" '$1 == a && $2 ~ /^[Tt]$/ { print $3 }' "$1" | sort | paste -sd' '
}

# --- The plug-in -----------------------------------------------------------
check "the DLL is 32-bit" grep -q "^Magic.*(PE32)$" "$work/dll.txt"
check "the export directory is named ExportFKVentalor.dll" same "$(export_name "$work/dll.txt")" "ExportFKVentalor.dll"
check "the DLL exports no names" same "$(name_count "$work/dll.txt")" "00000000"
check "the DLL exports exactly 30001, 30008, 30009" \
  same "$(exports "$work/dll.txt" | cut -d' ' -f1 | paste -sd' ')" "30001 30008 30009"
base=$(image_base "$work/dll.txt")
# stdcall routines carry their argument bytes in the name, cdecl ones none.
while read -r ordinal expected; do
  rva=$(exports "$work/dll.txt" | awk -v o="$ordinal" '$1 == o { print $2 }')
  check "export $ordinal is $expected" same "$(symbol_at "$work/dll.sym" "$base" "${rva:-0}")" "$expected"
done <<'TABLE'
30001 _PluginQuery@8
30008 _PluginLoad@4
30009 _PluginEntry30009
TABLE
check "the DLL imports only system libraries" same "$(imports "$work/dll.txt")" "kernel32.dll msvcrt.dll user32.dll"
check "the DLL imports nothing of the host" bash -c "! grep -qi 'DLL Name: TOMIVA' '$work/dll.txt'"

# Every entry of the list: number, convention and argument count.
sed -n 's/^HOST_ENTRY(\([0-9]*\), *\([A-Za-z0-9_]*\), *\([A-Z]*\), *\([0-9]*\),.*/\1 \2 \3 \4/p' "$ENTRIES" >"$work/list"
check "the list of host entries is read" test "$(wc -l <"$work/list")" -gt 0

# The fallback of each entry returns with "ret $bytes": stdcall 4 per
# argument, thiscall 4 per argument but the object (in ECX), cdecl none.
"$OBJDUMP" -d --no-show-raw-insn "$DLL" |
  awk '/^[0-9a-f]+ <HostFallback_[0-9]+>:$/ { n = $2; gsub(/[<>:]|HostFallback_/, "", n); next }
       n != "" && /\tret/ { bytes = $0; sub(/.*ret[[:space:]]*/, "", bytes); sub(/^\$0x/, "", bytes); if (bytes == "") bytes = "0";
                            print n, bytes; n = "" }' >"$work/fallbacks"
wrong=0
while read -r number name convention argc; do
  case $convention in
    STDCALL) want=$((4 * argc)) ;;
    THISCALL) want=$((4 * (argc - 1))) ;;
    *) want=0 ;;
  esac
  got=$(awk -v n="$number" '$1 == n { print $2 }' "$work/fallbacks")
  [[ -n $got ]] && got=$((16#$got))
  if [[ $got != "$want" ]]; then
    echo "  fallback of $number $name ($convention, $argc): removes ${got:-?} bytes, not $want"
    wrong=$((wrong + 1))
  fi
done <"$work/list"
check "each fallback removes exactly its entry's argument bytes" test "$wrong" -eq 0

# --- The host --------------------------------------------------------------
check "TOMIVA.exe is 32-bit" grep -q "^Magic.*(PE32)$" "$work/exe.txt"
check "the host's export directory is named TOMIVA.exe" same "$(export_name "$work/exe.txt")" "TOMIVA.exe"
check "the host exports no names" same "$(name_count "$work/exe.txt")" "00000000"
check "the host exports every entry of the list by number, and nothing else" \
  same "$(exports "$work/exe.txt" | cut -d' ' -f1 | paste -sd' ')" "$(cut -d' ' -f1 "$work/list" | sort -n | paste -sd' ')"
base=$(image_base "$work/exe.txt")
misplaced=0
while read -r ordinal rva; do
  [[ $(symbol_at "$work/exe.sym" "$base" "$rva") == *"_TomivaEntry_$ordinal"* ]] ||
    { echo "  export $ordinal is not the host's entry $ordinal"; misplaced=$((misplaced + 1)); }
done < <(exports "$work/exe.txt")
check "each of the host's exports is the entry of its number" test "$misplaced" -eq 0
check "the host imports no plug-in" bash -c "! grep -qi 'DLL Name: ExportFKVentalor' '$work/exe.txt'"

finish_checks
