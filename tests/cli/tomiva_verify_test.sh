#!/usr/bin/env bash
# tomiva verify on the command line: the golden export against its firm, with
# the period given and taken from the file, without a firm; an edited and a
# broken file; every way the command line can be wrong; a demo firm exported
# in batch mode and verified; tomiva --version.
# Usage: tomiva_verify_test.sh TOMIVA PLUGIN DATA_DIR VERSION
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3 VERSION=$4
SCHEMA=$(dirname "$0")/../../docs/export-file.xsd
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

"$TOMIVA" new-firm "$work/firm.db" >/dev/null || { echo "cannot write an empty firm"; exit 1; }
sqlite3 "$work/firm.db" < "$DATA/golden_firm.sql" || { echo "cannot fill the golden firm"; exit 1; }
golden=$DATA/golden_expected.xml
verify() { "$TOMIVA" verify "$@" 2>"$work/err"; }
valid() { xmllint --noout --schema "$SCHEMA" "$1" 2>/dev/null; }

# --- The golden export ------------------------------------------------------
out=$(verify "$golden" --firm "$work/firm.db" --from 2021-01-01 --to 2021-01-31); status=$?
check "the golden export agrees with its firm: exit 0" test $status -eq 0
check "  the verdict" grep -q "^Result: the file agrees with the firm.$" <<<"$out"
check "  the summary: a month, a rate, documents, net and VAT" \
  grep -qE "^2021-01 +23% +4 +1 235 857.89 +284 247.31$" <<<"$out"
check "  the month's total" grep -qE "^ +all +9 +1 236 350.89 +284 282.31$" <<<"$out"
check "  what was reconciled" grep -q "^Documents: 9 of the period and kinds in the firm, 9 in the file$" <<<"$out"
check "  a wrong check digit is a warning" grep -q "tax number 7251020304 has a wrong check digit" <<<"$out"

out=$(verify "$golden" --firm "$work/firm.db"); status=$?
check "the period taken from MIESIAC/ROK: exit 0" test $status -eq 0
check "  and said so" grep -q "^Period: 2021-01-01 to 2021-01-31 (the month of MIESIAC/ROK)$" <<<"$out"

out=$(verify "$golden"); status=$?
check "without a firm: the schema alone, exit 0" test $status -eq 0
check "  and said so" grep -q "not reconciled: no firm given" <<<"$out"

# --- Files that fail ----------------------------------------------------------
sed 's#<KWOTA_NETTO>1100.00<#<KWOTA_NETTO>1100.01<#' "$golden" >"$work/edited.xml"
out=$(verify "$work/edited.xml" --firm "$work/firm.db" --from 2021-01-01 --to 2021-01-31); status=$?
check "a grosz too much: exit 10" test $status -eq 10
check "  the mismatch names the document and the position" \
  grep -q '1A2B3C4D-000C-1111-2222-00000000ABCD "FV 1/01/2021" (line 178): position B 23%: net 1100.01' <<<"$out"
check "  the verdict" grep -q "^Result: 1 mismatch: the file does NOT agree with the firm.$" <<<"$out"

sed 's#<ROK>2021</ROK>#<ROK>21</ROK>#' "$golden" >"$work/broken.xml"
out=$(verify "$work/broken.xml" --firm "$work/firm.db"); status=$?
check "a broken file: exit 10" test $status -eq 10
check "  the element and line are named" grep -q "line 153: Element 'ROK'" <<<"$out"
check "xmllint agrees with the schema" test "$(valid "$work/broken.xml"; echo $?)" -ne 0

printf '\xEF\xBB\xBF<ROOT>\n<SYSTEM>QUORVEL</SYSTEM>\n<KONTRAHENCI>\n<WERSJA>1.0</WERSJA>\n</KONTRAHENCI>\n<REJESTRY_ZAKUPU>\n<WERSJA>1.0</WERSJA>\n</REJESTRY_ZAKUPU>\n</ROOT>\n' >"$work/empty.xml"
verify "$work/empty.xml" --firm "$work/firm.db" >/dev/null; status=$?
check "no documents and no period: exit 1, the dates are asked for" test $status -eq 1
check "  with the reason" grep -q "names no period: give the export's dates (--from, --to)" "$work/err"
out=$(verify "$work/empty.xml" --firm "$work/firm.db" --from 2021-01-01 --to 2021-01-31 --scope invoices); status=$?
check "no documents where the firm has seven: exit 10" test $status -eq 10
check "  each is missing" test "$(grep -c "is missing from the file (invoice" <<<"$out")" -eq 7

# --- What is no export, and verify's own failures ------------------------------
# A file that is no export is the file's failure (10), said in words; a path
# that names no file is bad usage (1); a file verify cannot read, or memory
# it is refused, is its own failure (7), never "NOT a valid export file".
tail -c +4 "$golden" >"$work/nomarker.xml"
{ printf '\xEF\xBB\xBF<!DOCTYPE ROOT [<!ENTITY e "xxxxxxxx">]>\n'; tail -c +4 "$golden"; } >"$work/doctype.xml"
: >"$work/empty-file.xml"
mkfifo "$work/fifo.xml"
# file  exit status  what is said (stdout and stderr)
while IFS='|' read -r file expect says; do
  out=$("$TOMIVA" verify "$file" --firm "$work/firm.db" 2>&1); status=$?
  check "verify $(basename "$file"): exit $expect" test $status -eq "$expect"
  check "verify $(basename "$file"): says $says" grep -q -- "$says" <<<"$out"
done <<TABLE
$work/nomarker.xml|10|does not begin with the UTF-8 marker bytes
$work/doctype.xml|10|a DOCTYPE (an export has none)
$work/empty-file.xml|10|the file is empty
$work|1|it is a directory, not a file
$work/fifo.xml|1|it is a FIFO (named pipe), not a file
/dev/zero|1|it is a character device, not a file
/proc/self/mem|7|could not read /proc/self/mem: Input/output error
TABLE

# Memory refused at points all over a verification: exit 7 with the reason,
# or (past the last allocation, or where the library copes without the
# block) the file agrees.
refused=0
for n in 1 2 5 10 20 50 100 200 500 1000 2000 5000 10000 20000 50000; do
  out=$("$TOMIVA" --fail-allocation $n verify "$golden" --firm "$work/firm.db" 2>&1); status=$?
  if ((status == 7)); then
    refused=$((refused + 1))
    check "--fail-allocation $n: the reason is said" grep -q "memory ran short" <<<"$out"
  else
    check "--fail-allocation $n: exit 7 or 0 (it was $status)" test $status -eq 0
    check "--fail-allocation $n: exit 0 only when the file agrees" grep -q "^Result: the file agrees with the firm.$" <<<"$out"
  fi
  check "--fail-allocation $n: the file is not blamed" bash -c '! grep -q "NOT a valid export file\|not a valid export file" <<<"$0"' "$out"
done
check "memory was refused in most runs" test $refused -ge 8

# --- The command line ---------------------------------------------------------
echo "not a database" >"$work/bad.db"
# arguments  exit status  what stderr says
while IFS='|' read -r args expect says; do
  eval "set -- $args"
  "$TOMIVA" "$@" >/dev/null 2>"$work/err"; status=$?
  check "verify $args: exit $expect" test $status -eq "$expect"
  check "verify $args: says $says" grep -q -- "$says" "$work/err"
done <<TABLE
verify "$golden" --firm "$work/firm.db" --from 2021-01-01|1|--from and --to go together
verify "$golden" --firm "$work/firm.db" --from 2021-02-30 --to 2021-03-01|1|not a real date
verify "$golden" --firm "$work/firm.db" --from 2021-02-01 --to 2021-01-01|1|ends (--to 2021-01-01) before it begins
verify "$golden" --from 2021-01-01 --to 2021-01-31|1|give it with --firm FILE
verify "$golden" --firm "$work/firm.db" --scope faktury|1|--scope takes invoices, corrections
verify "$work/none.xml"|1|no export file
verify|1|verify takes one export file
verify "$golden" --firm "$work/bad.db"|2|the firm database is refused
--from 2021-01-01 --to 2021-01-31 --firm "$work/firm.db" --plugin "$PLUGIN" --batch run "Eksport Ventalor (txt)"|1|go with verify
TABLE

# --- A demo firm, exported in batch mode and verified --------------------------
"$TOMIVA" demo-firm "$work/demo.db" --documents 500 --seed 11 >/dev/null
mkdir -p "$work/demo"
year=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1"
      --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP"
      --answer "17=202" --answer "19=KOREKTY")
out=$("$TOMIVA" --firm "$work/demo.db" --dir "$work/demo" --today 2022-01-05 --plugin "$PLUGIN" --batch "${year[@]}" \
      run "Eksport Ventalor (txt)" 2>/dev/null); status=$?
check "the demo year exported in batch mode: exit 0" test $status -eq 0
check "  and verified against the firm" grep -q "verified: .*qPX_2022-01-05.xml agrees with the firm" <<<"$out"
check "  valid against the schema (xmllint)" valid "$work/demo/qPX_2022-01-05.xml"
out=$(verify "$work/demo/qPX_2022-01-05.xml" --firm "$work/demo.db" --from 2021-01-01 --to 2021-12-31 \
      --scope invoices,corrections); status=$?
check "tomiva verify of the demo year: exit 0" test $status -eq 0
check "  a row for every month" test "$(grep -cE "^2021-(0[1-9]|1[0-2]) " <<<"$out")" -eq 12

# A run whose settings file cannot be written (a folder in its place): the
# export is written, but the command did not write every file it meant to,
# so it is not verified and exits 9, naming the settings file.
mkdir -p "$work/nosettings/a_mas.cfg"
out=$("$TOMIVA" --firm "$work/demo.db" --dir "$work/nosettings" --today 2022-01-05 --plugin "$PLUGIN" --batch \
      "${year[@]}" run "Eksport Ventalor (txt)" 2>"$work/err"); status=$?
check "a run without its settings file: exit 9" test $status -eq 9
check "  the export written all the same" valid "$work/nosettings/qPX_2022-01-05.xml"
check "  the settings file named" grep -q "cannot open .*a_mas.cfg for writing" "$work/err"

# --- The version ----------------------------------------------------------------
check "tomiva --version is the project's version" test "$("$TOMIVA" --version)" = "tomiva (ExportFKVentalor) $VERSION"
check "--help tells of verify" grep -q "verify FILE" <<<"$("$TOMIVA" --help)"
check "--help tells of exit status 10" grep -q "10 an export file of a batch run failed verification" <<<"$("$TOMIVA" --help)"

finish_checks
