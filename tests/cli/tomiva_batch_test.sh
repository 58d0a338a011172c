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

check "plugins lists the entry" grep -q "Eksport Ventalor (txt)" <<<"$(run plugins 2>/dev/null)"
check "--help tells the commands" grep -q "run ENTRY" <<<"$("$TOMIVA" --help)"

finish_checks
