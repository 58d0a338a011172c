#!/usr/bin/env bash
# The export and import tables of the Windows build, read with objdump:
#   ExportFKVentalor.dll  named so in its export directory, exactly the three
#                         entry points 30001, 30008, 30009 by number and no
#                         names, at the routines with the right conventions;
#                         imports only system libraries, nothing of the host;
#                         one fallback per host entry that removes exactly
#                         the entry's own argument bytes.
#                         (PLUGIN_DLL is the package's DLL as linked, with
#                         its symbols.)
#   the DLL shipped       that DLL stripped, nothing else: no symbols, no
#                         timestamp, no SSE instruction, no prompt hook
#                         (TOMIVA_PROMPT_ANSWERS), and every system function
#                         it imports listed in docs/host-assumptions.md.
#   the tests' DLL        the one with the hook.
#   TOMIVA.exe            every entry of the list by its number, no names.
# Usage: exports_test.sh OBJDUMP PLUGIN_DLL TOMIVA_EXE HOST_ENTRIES_H SHIPPED_DLL TEST_DLL
set -uo pipefail
OBJDUMP=$1 DLL=$2 EXE=$3 ENTRIES=$4 SHIPPED=$5 TEST_DLL=$6
TOOLS=${OBJDUMP%objdump}
NM=${TOOLS}nm
ASSUMPTIONS=$(dirname "$0")/../../docs/host-assumptions.md
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

# --- The DLL of the package, and the tests' DLL ----------------------------
"$OBJDUMP" -p "$SHIPPED" >"$work/shipped.txt" || { echo "objdump cannot read $SHIPPED"; exit 1; }
SOURCE_DATE_EPOCH=0 "${TOOLS}strip" --strip-all -o "$work/stripped.dll" "$DLL"
check "the shipped DLL is the DLL checked above, stripped" cmp -s "$work/stripped.dll" "$SHIPPED"
check "the shipped DLL has no symbols" test -z "$("$NM" "$SHIPPED" 2>/dev/null)"
# The header's TimeDateStamp (the PE header's offset is at 0x3C), and the
# export directory's.
u32() { od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '; }
check "the shipped DLL's header holds no time" test "$(u32 "$SHIPPED" $(($(u32 "$SHIPPED" 60) + 8)))" = 0
check "its export directory holds no time" grep -qE $'^Time/Date stamp[ \t]+0$' "$work/shipped.txt"

# The instructions of SSE and MMX: any of their registers, or one of the few
# that name none.  The host may call with the stack aligned to 4 bytes, and
# code that assumes more with SSE faults.
sse_lines() { # file: the disassembled lines that use SSE or MMX
  "$OBJDUMP" -d --no-show-raw-insn "$1" |
    awk -F'\t' 'NF >= 2 { split($2, w, " ") } NF >= 2 &&
      ($2 ~ /%[xyz]?mm[0-9]/ ||
       w[1] ~ /^(ldmxcsr|stmxcsr|[lsm]fence|clflush|movnti|prefetch(nta|t[0-2])|fisttp[lsq]?|emms|monitor|mwait|popcnt|crc32[bwlq]?)$/)'
}
# The scan finds each kind in code that has it: SSE2 arithmetic, an SSE
# instruction without registers, MMX.
cat >"$work/sse.c" <<'C'
double Product(double a, double b) { return a * b; }
void Control(unsigned* word) { __asm__ volatile("stmxcsr %0" : "=m"(*word)); }
void Mmx(void) { __asm__ volatile("pxor %mm0, %mm0\n\temms"); }
C
if "${TOOLS}gcc" -O2 -msse2 -mfpmath=sse -c "$work/sse.c" -o "$work/sse.o"; then
  found=$(sse_lines "$work/sse.o")
  check "the SSE scan finds SSE2 arithmetic in code built with -msse2" grep -q "mulsd" <<<"$found"
  check "  an SSE instruction that names no register" grep -q "stmxcsr" <<<"$found"
  check "  and MMX" grep -q "%mm0" <<<"$found"
else
  check "the compiler builds the SSE sample" false
fi
sse_lines "$SHIPPED" >"$work/shipped.sse"
check "the shipped DLL has no SSE or MMX instruction ($(wc -l <"$work/shipped.sse") found)" test ! -s "$work/shipped.sse"
head -n 5 "$work/shipped.sse"

# The test hook: the variable's name and the function that reads it.
# "dll function" per imported function, from objdump's import tables.
imported() { awk '/^[[:space:]]*DLL Name: / { dll = tolower($3); next }
                  /^[^[:space:]]/ { dll = "" }
                  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' "$1"; }
"$OBJDUMP" -p "$TEST_DLL" >"$work/test.txt" || { echo "objdump cannot read $TEST_DLL"; exit 1; }
check "the shipped DLL holds no TOMIVA_PROMPT_ANSWERS" bash -c '! grep -qa TOMIVA_PROMPT_ANSWERS "$1"' _ "$SHIPPED"
check "  and does not import GetEnvironmentVariableA" bash -c '! grep -q " GetEnvironmentVariableA$" <<<"$1"' _ "$(imported "$work/shipped.txt")"
check "the tests' DLL holds TOMIVA_PROMPT_ANSWERS" grep -qa TOMIVA_PROMPT_ANSWERS "$TEST_DLL"
check "  and imports GetEnvironmentVariableA" grep -q " GetEnvironmentVariableA$" <(imported "$work/test.txt")

# Every function the shipped DLL imports from the system (not the C
# run-time's msvcrt.dll) is listed, with why, in docs/host-assumptions.md.
imported "$work/shipped.txt" | awk '$1 != "msvcrt.dll" { print $2 }' | sort -u >"$work/system.imports"
check "the shipped DLL's system imports are read" test "$(wc -l <"$work/system.imports")" -gt 5
missing=$(while read -r f; do grep -qF "\`$f\`" "$ASSUMPTIONS" || echo "$f"; done <"$work/system.imports" | paste -sd' ')
check "every system function the DLL imports is in docs/host-assumptions.md (missing: ${missing:-none})" test -z "$missing"

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
