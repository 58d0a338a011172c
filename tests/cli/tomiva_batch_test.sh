#!/usr/bin/env bash
# tomiva on the command line, in batch mode, over the golden firm: the
# export with scripted answers, with and without the check of the files a
# batch run wrote, the settings it saved, the plug-ins and the help.  Every
# other way a command ends, with its exit status, is a row of
# tomiva_exit_status_test.sh.
# Usage: tomiva_batch_test.sh TOMIVA PLUGIN DATA_DIR
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3
SCHEMA=$(dirname "$0")/../../docs/export-file.xsd
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
# The export file is valid against the schema of the export format.
valid() { xmllint --noout --schema "$SCHEMA" "$1" 2>/dev/null; }

"$TOMIVA" new-firm "$work/firm.db" >/dev/null || { echo "cannot write an empty firm"; exit 1; }
sqlite3 "$work/firm.db" < "$DATA/golden_firm.sql" || { echo "cannot fill the golden firm"; exit 1; }
check "new-firm refuses an existing file" test "$("$TOMIVA" new-firm "$work/firm.db" >/dev/null 2>&1; echo $?)" -eq 2

mkdir -p "$work/dir"
source "$(dirname "$0")/golden_answers.sh"
answers=("${GOLDEN_ANSWERS[@]}")
run() { "$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" --batch "$@"; }

out=$(run "${answers[@]}" run "Eksport Ventalor (txt)" 2>"$work/err"); status=$?
check "batch export exits 0" test $status -eq 0
check "batch export is the golden file" cmp -s "$work/dir/qPX_2021-02-10.xml" "$DATA/golden_expected.xml"
check "the export is valid against the schema" valid "$work/dir/qPX_2021-02-10.xml"
check "tomiva says where the file is" grep -q "written: .*qPX_2021-02-10.xml" <<<"$out"
check "the batch run verified the file against the firm" \
  grep -q "verified: .*qPX_2021-02-10.xml agrees with the firm: 9 documents, 5 contractors, 2021-01-01 to 2021-01-31, invoices and corrections" <<<"$out"
out=$(run "${answers[@]}" --no-verify run "Eksport Ventalor (txt)" 2>/dev/null); status=$?
check "--no-verify: exits 0 and verifies nothing" test $status -eq 0 -a -z "$(grep verif <<<"$out")"
check "the summary is printed" grep -q "Ilość wyeksportowanych faktur zakupu:     7" "$work/err"
check "the settings file holds the answers" test "$(stat -c %s "$work/dir/a_mas.cfg")" -eq 258

# Documents at any rowid are exported: 0, negative ones, beyond 32 bits, the
# largest SQLite has.  A demo firm's rows moved there in their order give the
# very file the firm gave before, every document in it (checked with and
# without the check a batch run makes); rows moved out of their order are
# all there as well, each counted.
"$TOMIVA" demo-firm "$work/demo.db" --documents 400 >/dev/null || { echo "cannot write a demo firm"; exit 1; }
year=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1"
      --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAK" --answer "17=202"
      --answer "19=KOR")
demo_run() { # DIR, then options
  local dir=$1; shift
  mkdir -p "$work/$dir"
  "$TOMIVA" --firm "$work/demo.db" --dir "$work/$dir" --today 2022-01-10 --plugin "$PLUGIN" --batch "${year[@]}" \
    "$@" run "Eksport Ventalor (txt)" 2>"$work/$dir.err" >"$work/$dir.out"
}
# The summary's count of invoices, and the firm's invoices of the year.
summary_invoices() { sed -n 's/.*Ilość wyeksportowanych faktur zakupu: *\([0-9]*\).*/\1/p' "$work/$1.err"; }
firm_invoices() {
  sqlite3 "$work/demo.db" "SELECT count(*) FROM purchase_invoice WHERE document_key <> 0
                           AND period_date BETWEEN '2021-01-01' AND '2021-12-31'"
}
demo_run before --no-verify
sqlite3 "$work/demo.db" "UPDATE purchase_invoice SET rowid = rowid - 1000 WHERE rowid <= 5;
  UPDATE purchase_invoice SET rowid = 0 WHERE rowid = 6;
  UPDATE purchase_invoice SET rowid = 9223372036854775807 WHERE rowid = (SELECT max(rowid) FROM purchase_invoice);
  UPDATE purchase_invoice SET rowid = 2147483648 WHERE rowid = (SELECT max(rowid) FROM purchase_invoice
                                                                WHERE rowid < 2147483648);
  UPDATE purchase_correction SET rowid = rowid - 4 WHERE rowid <= 3;"
demo_run moved --no-verify; status=$?
check "rows at any rowid: the export exits 0" test $status -eq 0
check "rows at any rowid: the same file as before they moved" \
  cmp -s "$work/before/qPX_2022-01-10.xml" "$work/moved/qPX_2022-01-10.xml"
check "rows at any rowid: every invoice of the year is counted" \
  test "$(summary_invoices moved)" = "$(firm_invoices)" -a "$(summary_invoices before)" = "$(firm_invoices)"
sqlite3 "$work/demo.db" "UPDATE purchase_invoice SET rowid = -rowid WHERE rowid BETWEEN 7 AND 20"
demo_run reordered; status=$?
check "rows out of their order: the checked export exits 0" test $status -eq 0
check "rows out of their order: the check agrees" grep -q "agrees with the firm" "$work/reordered.out"
check "rows out of their order: every invoice of the year is counted" \
  test "$(summary_invoices reordered)" = "$(firm_invoices)"

check "plugins lists the entry" grep -q "Eksport Ventalor (txt)" <<<"$(run plugins 2>/dev/null)"
check "--help tells the commands" grep -q "run ENTRY" <<<"$("$TOMIVA" --help)"

finish_checks
