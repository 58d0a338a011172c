#!/usr/bin/env bash
# tomiva on the command line, in batch mode, over the golden firm: the
# export with scripted answers, cancel, refused answers, exit statuses, and
# a missing host entry answered with Ignore and with Abort; the check of the
# files a batch run wrote (tomiva_exit_status_test.sh has every exit status).
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
answers=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-01-31" --answer "Faktury zakupu=1"
         --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=2021" --answer "Rejestr KH=FZK-ZAKUP"
         --answer "17=7" --answer "19=KOR" --answer "Kod oddzialu=ODDZ&1" --answer "Miejsce powstania=Łódź <MPK>"
         --answer "ID firmy z KH=7")
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

rm -rf "$work/dir"/*
run --cancel run "Eksport Ventalor (txt)" >/dev/null 2>&1; status=$?
check "cancel exits 0" test $status -eq 0
check "cancel writes no export" test ! -e "$work/dir/qPX_2021-02-10.xml"
check "cancel writes no settings" test ! -e "$work/dir/a_mas.cfg"

run --answer "Faktury sprzed.=1" run "Eksport Ventalor (txt)" >/dev/null 2>"$work/err"; status=$?
check "a refused answer exits 5" test $status -eq 5
check "the refusal names the control" grep -q "Faktury sprzed" "$work/err"
check "a refused answer runs nothing" test ! -e "$work/dir/qPX_2021-02-10.xml"

run run "Nie ma takiego" >/dev/null 2>&1; status=$?
check "an unknown entry exits 4" test $status -eq 4
echo "not a database" > "$work/bad.db"
"$TOMIVA" --firm "$work/bad.db" --plugin "$PLUGIN" --batch run "Eksport Ventalor (txt)" >/dev/null 2>&1; status=$?
check "a bad firm exits 2" test $status -eq 2
"$TOMIVA" --firm "$work/firm.db" --plugin "$work/none.so" --batch run "Eksport Ventalor (txt)" >/dev/null 2>&1
status=$?
check "a missing plug-in exits 3" test $status -eq 3
check "plugins lists the entry" grep -q "Eksport Ventalor (txt)" <<<"$(run plugins 2>/dev/null)"
check "--help tells the commands" grep -q "run ENTRY" <<<"$("$TOMIVA" --help)"

# HostMessageBoxV (35804) withheld and ignored: the export runs, the summary
# has nowhere to go.
rm -rf "$work/dir"/*
run "${answers[@]}" --withhold 35804 --prompt-answers ignore run "Eksport Ventalor (txt)" >/dev/null 2>"$work/err"
status=$?
check "an ignored missing entry lets the export run" cmp -s "$work/dir/qPX_2021-02-10.xml" "$DATA/golden_expected.xml"
check "  and the stand-in answer is told by exit 6" test $status -eq 6
check "the prompt names the entry" grep -q "brak wpisu  35804" "$work/err"

# HostInsertChar (52130) has no fallback: the call returns 0 and the command
# stops at its next boundary in the middle of the contractors; the unfinished
# file is removed and the memory released (the sanitizer build's leak check
# makes a leak fail the exit status).
rm -rf "$work/dir"/*
run "${answers[@]}" --withhold 52130 --prompt-answers ignore run "Eksport Ventalor (txt)" >/dev/null 2>"$work/err"
status=$?
check "an abandoned command exits 6" test $status -eq 6
check "the user is told the command stopped" grep -q "Polecenie przerwane: brak wpisu 52130" "$work/err"
check "the user is told the unfinished file is gone" grep -q "Niepełny plik eksportu usunięto" "$work/err"
check "the unfinished file is removed" test ! -e "$work/dir/qPX_2021-02-10.xml"
check "no temporary file is left" test ! -e "$work/dir/qPX_2021-02-10.xml.tmp"
# HostConvertText (35387) missing: abandoned inside a line, whose buffer is released too.
rm -rf "$work/dir"/*
run "${answers[@]}" --withhold 35387 --prompt-answers abort run "Eksport Ventalor (txt)" >/dev/null 2>"$work/err"
status=$?
check "a command abandoned inside a line exits 6" test $status -eq 6
check "abort names the entry" grep -q "Polecenie przerwane: brak wpisu 35387" "$work/err"
check "no block is left to the host" bash -c '! grep -q "left .* memory blocks" "$1"' _ "$work/err"

finish_checks
